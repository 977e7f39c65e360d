// A scan view that records what the run shows and answers the prompts as
// told; a hook on message processing lets a test press "A&rrêter".
#pragma once

#include <functional>
#include <map>
#include <optional>
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
    void SetStatusText(TScanPhase phase, const std::string& text) override
    {
        texts[phase].push_back(text);
        textColours[phase].push_back(colours[phase]);
    }
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
    TPromptAnswer ShowDetectionPrompt(const std::string& file, const std::string& name) override
    {
        prompts.push_back(file + " | " + name);
        closing = closing || closeDuringPrompt;
        if (onPrompt) onPrompt();
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

    std::string LastText(TScanPhase phase)
    {
        const std::vector<std::string>& shown = texts[phase];
        return shown.empty() ? std::string() : shown.back();
    }
    // The colour the last text came in: the label paints it at once.
    std::optional<TStatusColour> LastTextColour(TScanPhase phase)
    {
        const std::vector<std::optional<TStatusColour>>& shown = textColours[phase];
        return shown.empty() ? std::nullopt : shown.back();
    }

    TPromptAnswer answer = TPromptAnswer::Ignore;
    bool stop = false, closing = false, closeDuringPrompt = false;
    std::function<void(TRecordingView&)> onMessages;
    std::function<void()> onPrompt;  // while the prompt is up
    int messageRounds = 0, repaints = 0;
    std::map<TScanPhase, std::vector<std::string>> texts;
    std::map<TScanPhase, std::optional<TStatusColour>> colours;  // none until the run sets one
    std::map<TScanPhase, std::vector<std::optional<TStatusColour>>> textColours;  // the colour of each text
    std::map<TScanPhase, std::vector<int>> progress;
    std::map<TScanPhase, bool> marquee, shown;
    std::vector<TRow> rows;
    std::vector<std::string> prompts, summaries;
};

