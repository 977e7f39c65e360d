// The trust rule of the protected folders and key, over descriptions of
// what the system says: only exactly the program's security is trusted, and
// where the system keeps none, only what it shows of the program's own.
#include <gtest/gtest.h>

#include "quarantine/protected_folder.h"

namespace {

using T = TTrustee;

TObjectFacts Ours()
{
    return {true, false, T::Administrators, true, true, {{true, T::Administrators, 0x1F01FF}, {true, T::System, 0x1F01FF}}};
}

TEST(ProtectedFolder, OnlyWhatTheProgramMakesIsTrusted)
{
    const auto with = [](auto change) {
        TObjectFacts facts = Ours();
        change(facts);
        return facts;
    };
    const struct {
        const char* what;
        TObjectFacts facts;
        bool trusted;
    } cases[] = {
        {"ours", Ours(), true},
        {"owned by SYSTEM", with([](TObjectFacts& f) { f.Owner = T::System; }), true},
        {"owned by the user's SID", with([](TObjectFacts& f) { f.Owner = T::Other; }), false},
        {"an entry for Users", with([](TObjectFacts& f) { f.Aces.push_back({true, T::Other, 0x120089}); }), false},
        {"a denial for the user", with([](TObjectFacts& f) { f.Aces.push_back({false, T::Other, 0x1F01FF}); }), false},
        {"a denial for the Administrators", with([](TObjectFacts& f) { f.Aces.push_back({false, T::Administrators, 1}); }), false},
        {"not protected", with([](TObjectFacts& f) { f.DaclProtected = false; }), false},
        {"no DACL", with([](TObjectFacts& f) { f.HasDacl = false; f.Aces.clear(); }), false},
        {"a reparse point", with([](TObjectFacts& f) { f.IsLink = true; }), false},
        {"a file", with([](TObjectFacts& f) { f.IsContainer = false; }), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsAsTheProgramMakesIt(c.facts), c.trusted) << c.what;
        EXPECT_EQ(IsTrusted(c.facts, Ours()), c.trusted) << c.what;
        EXPECT_EQ(IsTrusted(c.facts, std::nullopt), c.trusted) << c.what;
    }
}

// Wine shows every folder as the user's, with entries from its mode bits:
// there, an object is used only when it shows exactly as the program's own.
TEST(ProtectedFolder, WhereTheSystemKeepsNoSecurityOnlyTheProgramsLookIsTrusted)
{
    const TObjectFacts madeHere = {
        true, false, T::Other, true, false,
        {{true, T::System, 0x1F01FF}, {true, T::Other, 0x1F01FF}, {true, T::Other, 0x1200A9}}};
    TObjectFacts openToAll = madeHere;
    openToAll.Aces[2].Rights = 0x1301FF;
    TObjectFacts link = madeHere;
    link.IsLink = true;
    TObjectFacts file = madeHere;
    file.IsContainer = false;
    EXPECT_TRUE(IsTrusted(madeHere, madeHere));
    EXPECT_FALSE(IsTrusted(openToAll, madeHere));
    EXPECT_FALSE(IsTrusted(link, link));
    EXPECT_FALSE(IsTrusted(file, file));
    EXPECT_FALSE(IsTrusted(madeHere, std::nullopt));
    // A key as Wine shows it once reloaded: nothing for others on the key itself.
    const TObjectFacts reloaded = {true, false, T::Administrators, true, false,
                                   {{true, T::Other, 0x80000000, true}, {true, T::Administrators, 0xF003F}}};
    EXPECT_TRUE(IsTrusted(reloaded, madeHere));
    TObjectFacts usersWrite = reloaded;
    usersWrite.Aces[0].InheritOnly = false;
    EXPECT_FALSE(IsTrusted(usersWrite, madeHere));
    EXPECT_FALSE(IsAsTheProgramMakesIt(reloaded));
    // Where the system keeps the program's security, nothing else passes for it.
    EXPECT_FALSE(IsTrusted(madeHere, Ours()));
}

} // namespace
