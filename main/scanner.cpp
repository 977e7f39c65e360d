#include "main/scanner.h"

TScanRun& TScanner::Run()
{
    if (!run_) run_.emplace(view_, system_, signatures_.Check(), journal_);
    return *run_;
}
