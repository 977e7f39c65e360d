// A scan view that records what the run shows and answers the prompts as
// told; a hook on message processing lets a test press "A&rrêter".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "main/scan_view.h"

struct TRow {
    std::int32_t Row;
    std::string Path, Name, Action;
    bool operator==(const TRow&) const = default;
};

class TRecordingView : public TScanView {
public:
    void SetStatusText(TScanPhase phase, const std::string& text) override { texts[phase].push_back(text); }
    void SetStatusColour(TScanPhase phase, TStatusColour colour) override { colours[phase] = colour; }
    void SetProgress(TScanPhase phase, int position) override { progress[phase].push_back(position); }
    void SetMarquee(TScanPhase phase, bool running) override { marquee[phase] = running; }
    void ShowProgress(TScanPhase phase, bool visible) override { shown[phase] = visible; }
    void WriteResultRow(std::int32_t row, const std::string& path, const std::string& name,
                        const std::string& action) override
    {
        rows.push_back({row, path, name, action});
    }
    void RepaintResults() override { ++repaints; }
    int ShowDetectionPrompt(const std::string& file, const std::string& name) override
    {
        prompts.push_back(file + " | " + name);
        closing = closing || closeDuringPrompt;
        return answer;
    }
    void ProcessPendingMessages() override
    {
        ++messageRounds;
        if (onMessages) onMessages(*this);
    }
    bool ScanStopRequested() const override { return stop; }
    bool CloseRequested() const override { return closing; }
    void ShowRunSummary(const std::string& text, const std::string& caption) override
    {
        summaries.push_back(caption + " | " + text);
    }

    const std::string& LastText(TScanPhase phase) { return texts[phase].back(); }

    int answer = 2;  // 1: "&Supprimer", 2: "&Ignorer"
    bool stop = false, closing = false, closeDuringPrompt = false;
    std::function<void(TRecordingView&)> onMessages;
    int messageRounds = 0, repaints = 0;
    std::map<TScanPhase, std::vector<std::string>> texts;
    std::map<TScanPhase, TStatusColour> colours;
    std::map<TScanPhase, std::vector<int>> progress;
    std::map<TScanPhase, bool> marquee, shown;
    std::vector<TRow> rows;
    std::vector<std::string> prompts, summaries;
};

