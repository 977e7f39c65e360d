// A journal that records what it is told; its note, when set, ends the
// summary.
#pragma once

#include <string>
#include <vector>

#include "main/run_journal.h"

class TRecordingJournal : public TRunJournal {
public:
    void StartupMessage(const TStartupMessage& message) override
    {
        events.push_back((message.Warning ? "warning " : "error ") + std::string(message.Caption) + " | " +
                         message.Text);
    }
    void SignaturesLoaded(std::int32_t patterns, std::int32_t fingerprints) override
    {
        events.push_back("signatures " + std::to_string(patterns) + " " + std::to_string(fingerprints));
    }
    void StartupFailed() override { events.push_back("startup failed"); }
    void RunStarted() override
    {
        ++runs;
        events.push_back("run started");
    }
    void Detection(const TDetectionRecord& record) override { records.push_back(record); }
    std::string RunEnded(const TRunCounts& counts) override
    {
        ended.push_back(counts);
        events.push_back("run ended");
        return note;
    }

    std::string note;
    int runs = 0;
    std::vector<std::string> events;  // all but the detections
    std::vector<TDetectionRecord> records;
    std::vector<TRunCounts> ended;
};
