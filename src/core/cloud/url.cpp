#include "core/cloud/url.hpp"

#include <charconv>

namespace kestrove {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(char c) { return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos; }

// Every character is unreserved, a sub-delimiter, one of `extra`, or part of
// a complete percent escape.
bool wellFormed(std::string_view s, std::string_view extra) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '%') {
            if (i + 2 >= s.size() || !isHex(s[i + 1]) || !isHex(s[i + 2])) return false;
            i += 2;
        } else if (!isUnreserved(c) && !isSubDelim(c) && extra.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool validScheme(std::string_view s) {
    if (s.empty() || !isAlpha(s[0])) return false;
    for (char c : s)
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

// Fills host and port from "host", "host:port" or "[v6]:port".
bool parseHostPort(std::string_view hp, Url& url) {
    std::string_view rest;
    if (!hp.empty() && hp[0] == '[') {
        auto close = hp.find(']');
        if (close == std::string_view::npos) return false;
        std::string_view inner = hp.substr(1, close - 1);
        if (inner.empty()) return false;
        for (char c : inner)
            if (!isHex(c) && c != ':' && c != '.') return false;
        url.host = std::string(inner);
        rest = hp.substr(close + 1);
        if (!rest.empty() && rest[0] != ':') return false;
    } else {
        auto colon = hp.find(':');
        std::string_view name = hp.substr(0, colon);
        if (!wellFormed(name, "")) return false;
        url.host = std::string(name);
        rest = colon == std::string_view::npos ? std::string_view{} : hp.substr(colon);
    }
    if (rest.size() > 1) {  // ":" alone means the scheme's own port
        std::string_view digits = rest.substr(1);
        int port = 0;
        for (char c : digits)
            if (!isDigit(c)) return false;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (ec != std::errc{} || end != digits.data() + digits.size() || port > 65535) return false;
        url.port = port;
    }
    return true;
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7f) return std::nullopt;

    Url url;
    auto colon = text.find(':');
    if (colon == std::string_view::npos || !validScheme(text.substr(0, colon))) return std::nullopt;
    url.scheme = std::string(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);

    if (auto hash = rest.find('#'); hash != std::string_view::npos) {
        std::string_view fragment = rest.substr(hash + 1);
        if (!wellFormed(fragment, ":@/?")) return std::nullopt;
        url.fragment = std::string(fragment);
        rest = rest.substr(0, hash);
    }
    if (auto question = rest.find('?'); question != std::string_view::npos) {
        std::string_view query = rest.substr(question + 1);
        if (!wellFormed(query, ":@/?")) return std::nullopt;
        url.query = std::string(query);
        rest = rest.substr(0, question);
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        auto slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
        if (auto at = authority.rfind('@'); at != std::string_view::npos) {
            std::string_view info = authority.substr(0, at);
            if (!wellFormed(info, ":")) return std::nullopt;
            url.userinfo = std::string(info);
            authority = authority.substr(at + 1);
        }
        if (!parseHostPort(authority, url)) return std::nullopt;
    }
    if (!wellFormed(rest, ":@/")) return std::nullopt;
    url.path = std::string(rest);
    return url;
}

bool Url::isReference(std::string_view text) {
    if (text.empty()) return false;
    if (parse(text)) return true;
    const std::string_view first = text.substr(0, text.find_first_of("/?#"));
    if (first.find(':') != std::string_view::npos) return false;
    // Under a scheme of its own the reference reads as the rest of an address.
    return parse("x:" + std::string(text)).has_value();
}

bool Url::isLoopbackHost() const { return host == "127.0.0.1" || host == "localhost" || host == "::1"; }

std::string Url::toString() const {
    // Built with append: GCC 12 warns falsely on chained operator+ here.
    std::string out;
    out.append(scheme).append(":");
    // An authority without a host is still written when a port or a path
    // beginning "//" needs it to read back the same.
    if (hasAuthority() || port || path.starts_with("//")) {
        out.append("//");
        if (host.find(':') != std::string::npos) out.append("[").append(host).append("]");
        else out.append(host);
        if (port) out.append(":").append(std::to_string(*port));
    }
    out.append(path);
    if (query) out.append("?").append(*query);
    if (fragment) out.append("#").append(*fragment);
    return out;
}

Url Url::appendingPath(std::string_view more) const {
    Url out = *this;
    while (!out.path.empty() && out.path.back() == '/') out.path.pop_back();
    while (!more.empty() && more.front() == '/') more.remove_prefix(1);
    out.path += "/";
    out.path += more;
    out.fragment.reset();
    return out;
}

}  // namespace kestrove
