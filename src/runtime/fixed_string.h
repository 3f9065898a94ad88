// STRING(n): a fixed-width text field of n bytes in code page 1251, blank padded,
// with no terminator. Record layouts embed it directly (alignment 1, size n), so it
// must stay a plain array of bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace kw {

template <std::size_t N>
struct FixedString {
    char data[N];

    FixedString() { clear(); }
    FixedString(std::string_view s) { assign(s); }  // NOLINT: assignment from text is the point

    // Copies s (CP1251 bytes), truncated to N and padded with blanks.
    void assign(std::string_view s) {
        std::size_t n = std::min(s.size(), N);
        std::memcpy(data, s.data(), n);
        std::memset(data + n, ' ', N - n);
    }
    FixedString& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    void clear() { std::memset(data, ' ', N); }

    static constexpr std::size_t size() { return N; }
    std::string_view view() const { return std::string_view(data, N); }
    std::string str() const { return std::string(data, N); }
    // The text without its trailing blanks.
    std::string clip() const {
        std::size_t n = N;
        while (n > 0 && data[n - 1] == ' ') --n;
        return std::string(data, n);
    }
    bool blank() const {
        return std::all_of(data, data + N, [](char c) { return c == ' ' || c == '\0'; });
    }

    // Comparison as the language compares strings: trailing blanks do not count.
    friend bool operator==(const FixedString& a, std::string_view b) {
        return a.clip() == clipView(b);
    }
    template <std::size_t M>
    friend bool operator==(const FixedString& a, const FixedString<M>& b) {
        return a.clip() == b.clip();
    }

  private:
    static std::string_view clipView(std::string_view s) {
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        return s;
    }
};

// Text without trailing blanks.
inline std::string clip(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}
template <std::size_t N>
std::string clip(const FixedString<N>& s) {
    return s.clip();
}

}  // namespace kw
