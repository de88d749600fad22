#include "soak/SoakTable.h"

#include <cstdio>

namespace {

constexpr unsigned long long HandleMargin = 5;
constexpr unsigned long long MemoryMargin = 1024 * 1024;

bool Within(const ProcessFigure& before, const ProcessFigure& after, unsigned long long margin) {
    return !before.Known || !after.Known || after.Value <= before.Value + margin;
}

std::string BeforeAfter(const ProcessFigure& before, const ProcessFigure& after,
                        bool kibibytes = false) {
    return FigureText(before, kibibytes) + " -> " + FigureText(after, kibibytes);
}

std::string SentText(const SoakRow& row) {
    std::string text = Grouped(row.Sent) + " " + row.SentWhat;
    if (row.Seconds > 0) {
        char rate[48];
        std::snprintf(rate, sizeof(rate), ", %.0f/s", row.Sent / row.Seconds);
        text += rate;
    }
    return text;
}

std::string OutcomeText(const SoakRow& row) {
    std::string text;
    for (const Tally& tally : row.Outcome)
        text += Grouped(tally.Fired) + (tally.AtMost ? "/<=" : "/") + Grouped(tally.Should) + " " +
                tally.What + "; ";
    return text + Grouped(row.Stray) + " stray";
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

} // namespace

void AddRound(SoakRow& total, const SoakRow& round) {
    total.Sent += round.Sent;
    total.Seconds += round.Seconds;
    for (size_t i = 0; i < total.Outcome.size() && i < round.Outcome.size(); ++i) {
        total.Outcome[i].Fired += round.Outcome[i].Fired;
        total.Outcome[i].Should += round.Outcome[i].Should;
    }
    total.Stray += round.Stray;
    total.After = round.After;
    total.Alive = total.Alive && round.Alive;
}

bool Flat(const ProcessCounters& before, const ProcessCounters& after) {
    return Within(before.Handles, after.Handles, HandleMargin) &&
           Within(before.GdiObjects, after.GdiObjects, HandleMargin) &&
           Within(before.Memory, after.Memory, MemoryMargin) &&
           (!before.Windows.Known || !after.Windows.Known ||
            before.Windows.Value == after.Windows.Value);
}

bool Sound(const SoakRow& row) {
    for (const Tally& tally : row.Outcome)
        if (tally.AtMost ? tally.Fired > tally.Should : tally.Fired != tally.Should)
            return false;
    if (row.Stray != 0 || row.Alive != row.ShouldLive)
        return false;
    // A program that ended holds nothing: its figures judge nothing.
    return !row.ShouldLive || Flat(row.Before, row.After);
}

std::string Grouped(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return value < 0 ? "-" + digits : digits;
}

std::string FormatTable(const std::vector<SoakRow>& rows) {
    std::vector<std::vector<std::string>> cells;
    cells.push_back({"case", "sent", "fired / should fire", "handles", "windows", "GDI",
                     "memory KiB", "alive", "sound"});
    for (const SoakRow& row : rows)
        cells.push_back({row.Case, SentText(row), OutcomeText(row),
                         BeforeAfter(row.Before.Handles, row.After.Handles),
                         BeforeAfter(row.Before.Windows, row.After.Windows),
                         BeforeAfter(row.Before.GdiObjects, row.After.GdiObjects),
                         BeforeAfter(row.Before.Memory, row.After.Memory, true),
                         row.Alive ? "yes" : "no", Sound(row) ? "yes" : "NO"});
    // Each column as wide as its longest text.
    std::vector<size_t> widths(cells.front().size(), 0);
    for (const auto& line : cells)
        for (size_t column = 0; column < line.size(); ++column)
            widths[column] =
                line[column].size() > widths[column] ? line[column].size() : widths[column];
    std::string table;
    for (const auto& line : cells) {
        std::string text;
        for (size_t column = 0; column < line.size(); ++column)
            text += Padded(line[column], widths[column]) + " | ";
        table += text.substr(0, text.find_last_not_of(" |") + 1) + "\n";
    }
    if (!rows.empty()) {
        const ProcessCounters& figures = rows.front().Before;
        table += std::string("\nFigures before -> after each case. handles: ") +
                 figures.Handles.Source + "; windows: top-level windows by " +
                 figures.Windows.Source + "; GDI: " + figures.GdiObjects.Source +
                 "; memory: " + figures.Memory.Source + ".\n";
    }
    return table;
}
