// What became of the copy that the quarantine keeps before a deletion.
#pragma once

#include <string>

enum class TCopyOutcome {
    None,      // none was made: nothing was deleted, or no quarantine is kept
    Kept,      // in the quarantine, under its id
    TooLarge,  // deleted without a copy: above the quarantine's size limit
    Failed,    // deleted without a copy: the copy could not be written
};

struct TKeptCopy {
    TCopyOutcome Outcome = TCopyOutcome::None;
    std::string Id;  // the entry's id when Kept
};
