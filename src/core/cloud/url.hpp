#pragma once
// Absolute http(s)-style addresses: the server's base address, pairing links
// and the update feed. Our own small parser so the rules about schemes and
// hosts do not depend on what a library happens to accept.

#include <optional>
#include <string>
#include <string_view>

namespace kestrove {

struct Url {
    std::string scheme;    // as written, e.g. "https" or "HTTPS"
    std::string userinfo;  // before "@" in the authority; never sent anywhere
    std::string host;      // as written; an IPv6 literal without its brackets
    std::optional<int> port;
    std::string path;      // "" or starting with "/"
    std::optional<std::string> query;
    std::optional<std::string> fragment;

    // `scheme ":" ["//" authority] path ["?" query] ["#" fragment]`, ASCII
    // only, percent escapes well formed. Anything else is absent.
    static std::optional<Url> parse(std::string_view text);
    // Whether `text` is an address at all: an absolute one, or a relative
    // reference ("default", "v1/pair?x", "//host/path") of the same
    // characters. A colon before the first "/", "?" or "#" makes a scheme,
    // so "127.0.0.1:80" is neither.
    static bool isReference(std::string_view text);

    bool hasAuthority() const { return !host.empty(); }
    bool isLoopbackHost() const;  // "127.0.0.1", "localhost" or "::1", exactly

    // The address written back out, without user info.
    std::string toString() const;
    // This address with `path` added as further segments: one "/" between
    // them whatever the base ends with; the query stays, the fragment goes.
    Url appendingPath(std::string_view path) const;

    bool operator==(const Url&) const = default;
};

}  // namespace kestrove
