// A length-prefixed text of fixed capacity, laid out as in the signature
// files: one length byte, then Capacity character bytes of which the first
// Length() are the text. The remaining bytes carry no meaning.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t Capacity>
struct TShortString {
    static_assert(Capacity >= 1 && Capacity <= 255, "a length byte holds 0..255");
    static constexpr std::size_t CAPACITY = Capacity;

    std::uint8_t Len;
    char Chars[Capacity];

    std::size_t Length() const { return Len; }
    std::string_view View() const { return {Chars, Len <= Capacity ? Len : Capacity}; }
    std::string Str() const { return std::string(View()); }

    // Stores text, cut to the capacity.
    void Assign(std::string_view text) {
        const std::size_t n = text.size() < Capacity ? text.size() : Capacity;
        std::memcpy(Chars, text.data(), n);
        Len = static_cast<std::uint8_t>(n);
    }
};
