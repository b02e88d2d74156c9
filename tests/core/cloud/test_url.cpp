#include <gtest/gtest.h>

#include "core/cloud/url.hpp"

namespace kestrove {
namespace {

TEST(Url, ParsesSchemeHostPortAndPath) {
    auto u = Url::parse("https://api.example.com:8443/base/path?x=1#top");
    ASSERT_TRUE(u);
    EXPECT_EQ(std::tie(u->scheme, u->host, u->path, u->query, u->fragment),
              std::make_tuple("https", "api.example.com", "/base/path", "x=1", "top"));
    EXPECT_EQ(u->port, 8443);
    auto v6 = Url::parse("http://[::1]:9000/");
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->toString(), "http://[::1]:9000/");
    // Kept as written; callers decide about case.
    const auto bare = Url::parse("HTTPS://Example.com");
    EXPECT_EQ(std::tie(bare->scheme, bare->host, bare->path), std::make_tuple("HTTPS", "Example.com", ""));
    EXPECT_EQ(bare->port, std::nullopt);
    EXPECT_FALSE(Url::parse("mailto:someone@example.com")->hasAuthority());
}

TEST(Url, RefusesMalformedAddresses) {
    for (const char* text : {"", "example.com", "://x", "1http://x", "https://exa mple.com", "https://x/a b",
                             "https://x:99999/", "https://x:8a/", "https://[::1/", "https://[zz]/", "https://x/%zz",
                             "https://x/\xc3\xa9", "https://x\n/", "https://x/%4"})
        EXPECT_FALSE(Url::parse(text)) << text;
}

TEST(Url, ReferencesAreAbsoluteOrRelativeAddresses) {
    for (const char* text : {"https://x.example/a", "default", "v1/pair?x=1#top", "/v1", "//h.example:80/p",
                             "a/b:c", "?q", "%41"})
        EXPECT_TRUE(Url::isReference(text)) << text;
    for (const char* text : {"", "127.0.0.1:80", "1http://x", "a b", "//[zz]/", "x%4", "caf\xc3\xa9", "a#b#c"})
        EXPECT_FALSE(Url::isReference(text)) << text;
}

TEST(Url, AppendingPathKeepsTheBasePathWithOneSlash) {
    const std::pair<const char*, const char*> rows[] = {
        {"https://h.example", "https://h.example/v1/pair/status"},
        {"https://h.example/", "https://h.example/v1/pair/status"},
        {"https://h.example/api", "https://h.example/api/v1/pair/status"},
        {"https://h.example/api/", "https://h.example/api/v1/pair/status"},
        {"http://127.0.0.1:8080/a/b//", "http://127.0.0.1:8080/a/b/v1/pair/status"},
        {"https://h.example/api?key=1#frag", "https://h.example/api/v1/pair/status?key=1"},
        {"https://user:pw@h.example/api", "https://h.example/api/v1/pair/status"},
    };
    for (const auto& [base, expected] : rows)
        EXPECT_EQ(Url::parse(base)->appendingPath("v1/pair/status").toString(), expected) << base;
}

TEST(Url, LoopbackHostsAreExact) {
    for (const char* text : {"http://127.0.0.1", "http://localhost:3000", "http://[::1]"})
        EXPECT_TRUE(Url::parse(text)->isLoopbackHost()) << text;
    for (const char* text : {"http://127.0.0.2", "http://LOCALHOST", "http://localhost.example", "http://[::2]"})
        EXPECT_FALSE(Url::parse(text)->isLoopbackHost()) << text;
}

TEST(Url, WrittenFormReadsBackAsTheSameAddress) {
    for (const char* text : {"https:////x.example/p", "https://:8443/x", "https:///x", "https://:/x", "https:x/y",
                             "https://h.example:1/a?b#c", "https://[::1]:8/x?", "https://h.example#"}) {
        const auto url = Url::parse(text);
        ASSERT_TRUE(url) << text;
        EXPECT_EQ(Url::parse(url->toString()), url) << text << " written as " << url->toString();
    }
}

}  // namespace
}  // namespace kestrove
