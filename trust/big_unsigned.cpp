#include "trust/big_unsigned.h"

#include <algorithm>
#include <stdexcept>

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

TBigUnsigned::TBigUnsigned(std::uint64_t value)
{
    if (value) limbs_.push_back(static_cast<std::uint32_t>(value));
    if (value >> 32) limbs_.push_back(static_cast<std::uint32_t>(value >> 32));
}

void TBigUnsigned::Normalise()
{
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

TBigUnsigned TBigUnsigned::FromBytes(std::span<const std::uint8_t> bytes)
{
    TBigUnsigned value;
    value.limbs_.assign((bytes.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t fromEnd = bytes.size() - 1 - i;
        value.limbs_[fromEnd / 4] |= std::uint32_t{bytes[i]} << (8 * (fromEnd % 4));
    }
    value.Normalise();
    return value;
}

bool TBigUnsigned::FromHex(std::string_view hex, TBigUnsigned& value)
{
    if (hex.empty()) return false;
    TBigUnsigned result;
    result.limbs_.assign((hex.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const int digit = HexValue(hex[i]);
        if (digit < 0) return false;
        const std::size_t fromEnd = hex.size() - 1 - i;
        result.limbs_[fromEnd / 8] |= static_cast<std::uint32_t>(digit) << (4 * (fromEnd % 8));
    }
    result.Normalise();
    value = std::move(result);
    return true;
}

std::vector<std::uint8_t> TBigUnsigned::ToBytes(std::size_t length) const
{
    if ((BitLength() + 7) / 8 > length) return {};
    std::vector<std::uint8_t> bytes(length, 0);
    for (std::size_t i = 0; i < limbs_.size() * 4 && i < length; ++i)
        bytes[length - 1 - i] = static_cast<std::uint8_t>(limbs_[i / 4] >> (8 * (i % 4)));
    return bytes;
}

std::string TBigUnsigned::ToHex() const
{
    if (limbs_.empty()) return "0";
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = limbs_.size(); i-- > 0;)
        for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(limbs_[i] >> shift) & 0xF];
    return text.substr(text.find_first_not_of('0'));
}

std::size_t TBigUnsigned::BitLength() const
{
    if (limbs_.empty()) return 0;
    std::size_t bits = 32 * (limbs_.size() - 1);
    for (std::uint32_t top = limbs_.back(); top; top >>= 1) ++bits;
    return bits;
}

bool TBigUnsigned::Bit(std::size_t index) const
{
    return index / 32 < limbs_.size() && ((limbs_[index / 32] >> (index % 32)) & 1);
}

int Compare(const TBigUnsigned& a, const TBigUnsigned& b)
{
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;)
        if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    return 0;
}

TBigUnsigned operator+(const TBigUnsigned& a, const TBigUnsigned& b)
{
    const TBigUnsigned& longer = a.limbs_.size() >= b.limbs_.size() ? a : b;
    const TBigUnsigned& shorter = &longer == &a ? b : a;
    TBigUnsigned sum;
    sum.limbs_.resize(longer.limbs_.size() + 1);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < longer.limbs_.size(); ++i) {
        carry += std::uint64_t{longer.limbs_[i]} + shorter.Limb(i);
        sum.limbs_[i] = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    sum.limbs_.back() = static_cast<std::uint32_t>(carry);
    sum.Normalise();
    return sum;
}

TBigUnsigned operator-(const TBigUnsigned& a, const TBigUnsigned& b)
{
    if (a < b) throw std::domain_error("negative difference");
    TBigUnsigned difference;
    difference.limbs_.resize(a.limbs_.size());
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
        std::int64_t d = std::int64_t{a.limbs_[i]} - b.Limb(i) - borrow;
        borrow = d < 0;
        if (d < 0) d += std::int64_t{1} << 32;
        difference.limbs_[i] = static_cast<std::uint32_t>(d);
    }
    difference.Normalise();
    return difference;
}

TBigUnsigned operator*(const TBigUnsigned& a, const TBigUnsigned& b)
{
    TBigUnsigned product;
    if (a.IsZero() || b.IsZero()) return product;
    product.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0);
    for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.limbs_.size(); ++j) {
            carry += std::uint64_t{a.limbs_[i]} * b.limbs_[j] + product.limbs_[i + j];
            product.limbs_[i + j] = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        product.limbs_[i + b.limbs_.size()] = static_cast<std::uint32_t>(carry);
    }
    product.Normalise();
    return product;
}

TBigUnsigned TBigUnsigned::ShiftedLeft(std::size_t bits) const
{
    if (IsZero()) return {};
    const std::size_t limbShift = bits / 32, bitShift = bits % 32;
    TBigUnsigned shifted;
    shifted.limbs_.assign(limbs_.size() + limbShift + 1, 0);
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
        const std::uint64_t wide = std::uint64_t{limbs_[i]} << bitShift;
        shifted.limbs_[i + limbShift] |= static_cast<std::uint32_t>(wide);
        shifted.limbs_[i + limbShift + 1] |= static_cast<std::uint32_t>(wide >> 32);
    }
    shifted.Normalise();
    return shifted;
}

TBigUnsigned TBigUnsigned::ShiftedRight(std::size_t bits) const
{
    const std::size_t limbShift = bits / 32, bitShift = bits % 32;
    if (limbShift >= limbs_.size()) return {};
    TBigUnsigned shifted;
    shifted.limbs_.assign(limbs_.size() - limbShift, 0);
    for (std::size_t i = 0; i < shifted.limbs_.size(); ++i) {
        std::uint64_t wide = limbs_[i + limbShift];
        if (i + limbShift + 1 < limbs_.size()) wide |= std::uint64_t{limbs_[i + limbShift + 1]} << 32;
        shifted.limbs_[i] = static_cast<std::uint32_t>(wide >> bitShift);
    }
    shifted.Normalise();
    return shifted;
}

std::uint32_t TBigUnsigned::ModSmall(std::uint32_t divisor) const
{
    if (divisor == 0) throw std::domain_error("division by zero");
    std::uint64_t remainder = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) remainder = ((remainder << 32) | limbs_[i]) % divisor;
    return static_cast<std::uint32_t>(remainder);
}

std::pair<TBigUnsigned, TBigUnsigned> DivMod(const TBigUnsigned& a, const TBigUnsigned& b)
{
    if (b.IsZero()) throw std::domain_error("division by zero");
    if (a < b) return {TBigUnsigned(), a};
    const std::size_t n = b.limbs_.size();
    if (n == 1) {
        TBigUnsigned quotient;
        quotient.limbs_.assign(a.limbs_.size(), 0);
        std::uint64_t remainder = 0;
        for (std::size_t i = a.limbs_.size(); i-- > 0;) {
            const std::uint64_t current = (remainder << 32) | a.limbs_[i];
            quotient.limbs_[i] = static_cast<std::uint32_t>(current / b.limbs_[0]);
            remainder = current % b.limbs_[0];
        }
        quotient.Normalise();
        return {quotient, TBigUnsigned(remainder)};
    }
    // D1: normalise so that the divisor's top limb has its high bit set.
    int shift = 0;
    for (std::uint32_t top = b.limbs_.back(); !(top & 0x80000000u); top <<= 1) ++shift;
    const std::vector<std::uint32_t> v = b.ShiftedLeft(shift).limbs_;
    std::vector<std::uint32_t> u = a.ShiftedLeft(shift).limbs_;
    u.resize(a.limbs_.size() + 1, 0);  // one limb more than the dividend
    const std::size_t m = u.size() - 1 - n;
    TBigUnsigned quotient;
    quotient.limbs_.assign(m + 1, 0);
    constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
    for (std::size_t j = m + 1; j-- > 0;) {
        // D3: estimate the quotient limb from the top two limbs, then correct.
        const std::uint64_t top = (std::uint64_t{u[j + n]} << 32) | u[j + n - 1];
        std::uint64_t qhat = top / v[n - 1];
        std::uint64_t rhat = top % v[n - 1];
        while (qhat >= kBase || qhat * v[n - 2] > ((rhat << 32) | u[j + n - 2])) {
            --qhat;
            rhat += v[n - 1];
            if (rhat >= kBase) break;
        }
        // D4: multiply and subtract.
        std::int64_t borrow = 0;
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t product = qhat * v[i] + carry;
            carry = product >> 32;
            const std::int64_t d = std::int64_t{u[i + j]} - static_cast<std::uint32_t>(product) - borrow;
            u[i + j] = static_cast<std::uint32_t>(d);
            borrow = d < 0;
        }
        const std::int64_t d = std::int64_t{u[j + n]} - static_cast<std::int64_t>(carry) - borrow;
        u[j + n] = static_cast<std::uint32_t>(d);
        // D6: the estimate was one too large: add the divisor back.
        if (d < 0) {
            --qhat;
            std::uint64_t sum = 0;
            for (std::size_t i = 0; i < n; ++i) {
                sum += std::uint64_t{u[i + j]} + v[i];
                u[i + j] = static_cast<std::uint32_t>(sum);
                sum >>= 32;
            }
            u[j + n] = static_cast<std::uint32_t>(u[j + n] + sum);
        }
        quotient.limbs_[j] = static_cast<std::uint32_t>(qhat);
    }
    quotient.Normalise();
    TBigUnsigned remainder;
    remainder.limbs_.assign(u.begin(), u.begin() + n);
    remainder.Normalise();
    return {quotient, remainder.ShiftedRight(shift)};
}

// Montgomery multiplication modulo an odd n of s limbs (CIOS): values are
// kept as aR mod n, R = 2^(32 s), and a product costs no division.
class TMontgomery {
public:
    explicit TMontgomery(const TBigUnsigned& modulus) : n_(modulus.limbs_), s_(n_.size())
    {
        // -n^-1 mod 2^32 by Newton's iteration (each step doubles the bits).
        std::uint32_t inverse = 1;
        for (int i = 0; i < 5; ++i) inverse *= 2 - n_[0] * inverse;
        nPrime_ = 0u - inverse;
        rSquared_ = Limbs(TBigUnsigned(1).ShiftedLeft(64 * s_) % modulus);
    }

    std::vector<std::uint32_t> ToForm(const TBigUnsigned& a) const { return Multiply(Limbs(a), rSquared_); }
    TBigUnsigned FromForm(const std::vector<std::uint32_t>& a) const
    {
        std::vector<std::uint32_t> one(s_, 0);
        one[0] = 1;
        TBigUnsigned value;
        value.limbs_ = Multiply(a, one);
        value.Normalise();
        return value;
    }

    std::vector<std::uint32_t> Multiply(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) const
    {
        std::vector<std::uint32_t> t(s_ + 2, 0);
        for (std::size_t i = 0; i < s_; ++i) {
            std::uint64_t carry = 0;
            for (std::size_t j = 0; j < s_; ++j) {
                carry += std::uint64_t{t[j]} + std::uint64_t{a[j]} * b[i];
                t[j] = static_cast<std::uint32_t>(carry);
                carry >>= 32;
            }
            carry += t[s_];
            t[s_] = static_cast<std::uint32_t>(carry);
            t[s_ + 1] = static_cast<std::uint32_t>(carry >> 32);
            const std::uint32_t m = t[0] * nPrime_;
            carry = (std::uint64_t{t[0]} + std::uint64_t{m} * n_[0]) >> 32;
            for (std::size_t j = 1; j < s_; ++j) {
                carry += std::uint64_t{t[j]} + std::uint64_t{m} * n_[j];
                t[j - 1] = static_cast<std::uint32_t>(carry);
                carry >>= 32;
            }
            carry += t[s_];
            t[s_ - 1] = static_cast<std::uint32_t>(carry);
            t[s_] = t[s_ + 1] + static_cast<std::uint32_t>(carry >> 32);
        }
        // t < 2n: one subtraction at most.
        bool atLeastN = t[s_] != 0;
        if (!atLeastN) {
            atLeastN = true;
            for (std::size_t i = s_; i-- > 0;)
                if (t[i] != n_[i]) {
                    atLeastN = t[i] > n_[i];
                    break;
                }
        }
        if (atLeastN) {
            std::int64_t borrow = 0;
            for (std::size_t i = 0; i < s_; ++i) {
                const std::int64_t d = std::int64_t{t[i]} - n_[i] - borrow;
                t[i] = static_cast<std::uint32_t>(d);
                borrow = d < 0;
            }
        }
        t.resize(s_);
        return t;
    }

private:
    std::vector<std::uint32_t> Limbs(const TBigUnsigned& a) const
    {
        std::vector<std::uint32_t> limbs = a.limbs_;
        limbs.resize(s_, 0);
        return limbs;
    }

    std::vector<std::uint32_t> n_;
    std::size_t s_;
    std::uint32_t nPrime_ = 0;
    std::vector<std::uint32_t> rSquared_;
};

TBigUnsigned PowMod(const TBigUnsigned& base, const TBigUnsigned& exponent, const TBigUnsigned& modulus)
{
    if (modulus.IsZero()) throw std::domain_error("modulus zero");
    if (modulus == TBigUnsigned(1)) return {};
    const TBigUnsigned reduced = base % modulus;
    if (!modulus.IsOdd()) {
        TBigUnsigned result(1);
        for (std::size_t i = exponent.BitLength(); i-- > 0;) {
            result = result * result % modulus;
            if (exponent.Bit(i)) result = result * reduced % modulus;
        }
        return result;
    }
    // A fixed window of 4 bits: 16 powers, then 4 squarings and one product
    // per window.
    const TMontgomery montgomery(modulus);
    std::vector<std::vector<std::uint32_t>> powers(16);
    powers[0] = montgomery.ToForm(TBigUnsigned(1));
    powers[1] = montgomery.ToForm(reduced);
    for (std::size_t i = 2; i < 16; ++i) powers[i] = montgomery.Multiply(powers[i - 1], powers[1]);
    std::vector<std::uint32_t> result = powers[0];
    const std::size_t windows = (exponent.BitLength() + 3) / 4;
    for (std::size_t w = windows; w-- > 0;) {
        for (int k = 0; k < 4; ++k) result = montgomery.Multiply(result, result);
        unsigned digit = 0;
        for (int k = 3; k >= 0; --k) digit = (digit << 1) | (exponent.Bit(4 * w + k) ? 1u : 0u);
        if (digit) result = montgomery.Multiply(result, powers[digit]);
    }
    return montgomery.FromForm(result);
}

TBigUnsigned Gcd(TBigUnsigned a, TBigUnsigned b)
{
    while (!b.IsZero()) {
        TBigUnsigned r = a % b;
        a = std::move(b);
        b = std::move(r);
    }
    return a;
}

bool InverseMod(const TBigUnsigned& a, const TBigUnsigned& m, TBigUnsigned& inverse)
{
    if (m.IsZero()) return false;
    // Euclid with one coefficient kept modulo m: t_i * a = r_i (mod m).
    TBigUnsigned r0 = m, r1 = a % m;
    TBigUnsigned t0, t1(1);
    while (!r1.IsZero()) {
        auto [q, r2] = DivMod(r0, r1);
        const TBigUnsigned qt = q * t1 % m;
        TBigUnsigned t2 = (t0 + m - qt) % m;
        r0 = std::move(r1);
        r1 = std::move(r2);
        t0 = std::move(t1);
        t1 = std::move(t2);
    }
    if (!(r0 == TBigUnsigned(1))) return false;
    inverse = t0 % m;
    return true;
}
