#include "quarantine/protected_folder.h"

#include <algorithm>

namespace {

bool IsOurs(TTrustee trustee) { return trustee == TTrustee::Administrators || trustee == TTrustee::System; }

} // namespace

bool IsAsTheProgramMakesIt(const TObjectFacts& facts)
{
    return facts.IsContainer && !facts.IsLink && IsOurs(facts.Owner) && facts.HasDacl && facts.DaclProtected &&
           std::all_of(facts.Aces.begin(), facts.Aces.end(),
                       [](const TAceFacts& ace) { return ace.Allows && IsOurs(ace.Trustee); });
}

bool IsTrusted(const TObjectFacts& facts, const std::optional<TObjectFacts>& madeHere)
{
    if (IsAsTheProgramMakesIt(facts)) return true;
    if (!madeHere || IsAsTheProgramMakesIt(*madeHere) || !facts.IsContainer || facts.IsLink) return false;
    return facts == *madeHere ||
           (facts.HasDacl && std::all_of(facts.Aces.begin(), facts.Aces.end(), [](const TAceFacts& ace) {
                return ace.InheritOnly || !ace.Allows || IsOurs(ace.Trustee);
            }));
}
