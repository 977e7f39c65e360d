// Unsigned integers of any size for RSA: little-endian 32-bit limbs, always
// normalised (no high zero limb; zero has no limb). Plain schoolbook
// arithmetic and Knuth's long division; the modular power uses Montgomery
// multiplication for odd moduli.
//
//   TBigUnsigned n = TBigUnsigned::FromBytes(modulusBytes);   // big-endian
//   TBigUnsigned s = PowMod(m, d, n);                          // m^d mod n
//   std::vector<std::uint8_t> out = s.ToBytes(384);            // left-padded
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TBigUnsigned {
public:
    TBigUnsigned() = default;
    TBigUnsigned(std::uint64_t value);  // NOLINT: a small value converts

    // Big-endian bytes, as RFC 8017's OS2IP reads them.
    static TBigUnsigned FromBytes(std::span<const std::uint8_t> bytes);
    // Hex digits, most significant first, either case; false on any other
    // character or an empty text.
    static bool FromHex(std::string_view hex, TBigUnsigned& value);

    // Exactly length big-endian bytes (I2OSP); empty when the value needs more.
    std::vector<std::uint8_t> ToBytes(std::size_t length) const;
    // Lower-case hex, no leading zero ("0" for zero).
    std::string ToHex() const;

    bool IsZero() const { return limbs_.empty(); }
    bool IsOdd() const { return !limbs_.empty() && (limbs_[0] & 1); }
    std::size_t BitLength() const;
    bool Bit(std::size_t index) const;
    std::size_t LimbCount() const { return limbs_.size(); }
    std::uint32_t Limb(std::size_t index) const { return index < limbs_.size() ? limbs_[index] : 0; }
    // The low 32 bits.
    std::uint32_t Low32() const { return Limb(0); }

    friend int Compare(const TBigUnsigned& a, const TBigUnsigned& b);
    friend bool operator==(const TBigUnsigned& a, const TBigUnsigned& b) { return a.limbs_ == b.limbs_; }
    friend bool operator<(const TBigUnsigned& a, const TBigUnsigned& b) { return Compare(a, b) < 0; }
    friend bool operator<=(const TBigUnsigned& a, const TBigUnsigned& b) { return Compare(a, b) <= 0; }
    friend bool operator>(const TBigUnsigned& a, const TBigUnsigned& b) { return Compare(a, b) > 0; }
    friend bool operator>=(const TBigUnsigned& a, const TBigUnsigned& b) { return Compare(a, b) >= 0; }

    friend TBigUnsigned operator+(const TBigUnsigned& a, const TBigUnsigned& b);
    // a - b; requires a >= b (raises std::domain_error otherwise).
    friend TBigUnsigned operator-(const TBigUnsigned& a, const TBigUnsigned& b);
    friend TBigUnsigned operator*(const TBigUnsigned& a, const TBigUnsigned& b);
    TBigUnsigned ShiftedLeft(std::size_t bits) const;
    TBigUnsigned ShiftedRight(std::size_t bits) const;

    // Quotient and remainder (Knuth, TAOCP 4.3.1, algorithm D); a zero
    // divisor raises std::domain_error.
    friend std::pair<TBigUnsigned, TBigUnsigned> DivMod(const TBigUnsigned& a, const TBigUnsigned& b);
    // The remainder of a by a small divisor (not zero).
    std::uint32_t ModSmall(std::uint32_t divisor) const;

private:
    void Normalise();
    std::vector<std::uint32_t> limbs_;

    friend class TMontgomery;
};

inline TBigUnsigned operator/(const TBigUnsigned& a, const TBigUnsigned& b) { return DivMod(a, b).first; }
inline TBigUnsigned operator%(const TBigUnsigned& a, const TBigUnsigned& b) { return DivMod(a, b).second; }

// base^exponent mod modulus; modulus must not be zero (std::domain_error).
TBigUnsigned PowMod(const TBigUnsigned& base, const TBigUnsigned& exponent, const TBigUnsigned& modulus);
// The inverse of a modulo m, when gcd(a, m) = 1; false otherwise.
bool InverseMod(const TBigUnsigned& a, const TBigUnsigned& m, TBigUnsigned& inverse);
TBigUnsigned Gcd(TBigUnsigned a, TBigUnsigned b);
