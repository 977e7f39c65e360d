// A stand-in for the main window, for tests of the scan run: it keeps what
// the run shows and answers the prompt and the stop test as told.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "main/scan_view.h"

class TFakeScanView : public TScanView {
public:
    struct TRow {
        std::string Path, MalwareName, Action;
    };
    struct TPrompt {
        std::string File, MalwareName;
    };

    // Answers of the prompt, in order; 2 (ignore) once they run out.
    std::vector<int> PromptAnswers;
    // The stop flag turns true after this many ProcessPendingMessages calls
    // (-1: never).
    int StopAfterMessageRounds = -1;

    std::map<TScanPhase, std::string> StatusTexts;
    std::map<TScanPhase, TStatusColour> StatusColours;
    std::map<TScanPhase, int> Progress;
    std::map<TScanPhase, bool> Marquee;
    std::map<std::int32_t, TRow> Rows;
    std::vector<TPrompt> Prompts;
    std::vector<std::pair<std::string, std::string>> Summaries;
    int MessageRounds = 0;
    int Repaints = 0;

    void SetStatusText(TScanPhase phase, const std::string& text) override { StatusTexts[phase] = text; }
    void SetStatusColour(TScanPhase phase, TStatusColour colour) override { StatusColours[phase] = colour; }
    void SetProgress(TScanPhase phase, int position) override { Progress[phase] = position; }
    void SetMarquee(TScanPhase phase, bool running) override { Marquee[phase] = running; }
    void WriteResultRow(std::int32_t row, const std::string& path, const std::string& malwareName,
                        const std::string& action) override
    {
        Rows[row] = {path, malwareName, action};
    }
    void RepaintResults() override { ++Repaints; }
    int ShowDetectionPrompt(const std::string& file, const std::string& malwareName) override
    {
        Prompts.push_back({file, malwareName});
        return Prompts.size() <= PromptAnswers.size() ? PromptAnswers[Prompts.size() - 1] : 2;
    }
    void ProcessPendingMessages() override { ++MessageRounds; }
    bool ScanStopRequested() const override
    {
        return StopAfterMessageRounds >= 0 && MessageRounds >= StopAfterMessageRounds;
    }
    void ShowRunSummary(const std::string& text, const std::string& caption) override
    {
        Summaries.emplace_back(text, caption);
    }
};
