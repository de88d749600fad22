// The double-press logic against a small model of it: random sequences of presses, timer ticks
// and edits of the configuration file, with the firings of the real code compared to the model's.
#include "KeyPressHarness.h"

#include "shell/AppState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::wstring>;

// The keys pressed: two with single-press bindings, one without, and the code 0, whose
// single-press binding exists but must never fire.
struct ModelKey {
    std::int32_t Code;
    const wchar_t* Text;
    const wchar_t* Name;
    bool HasSingle;
};
const ModelKey Keys[] = {
    {0x41, L"0041", L"A", true},
    {0xE05F, L"E05F", L"J", true},
    {0x1E05F, L"1E05F", L"L", false},
    {0, L"0000", L"zero", true},
};
constexpr int KeyCount = 4;

// The user's view of the logic: Keyloft is idle or waits for one key; a key with a double-press
// binding waits, a second press of it fires its double press, anything else ends the wait.
struct Model {
    bool DoubleBound[KeyCount] = {};
    int WaitingFor = -1; // index into Keys, or -1 when idle
    bool TimerRuns = false;
    Texts Fired;

    void FireSingle(int key) {
        if (Keys[key].Code != 0 && Keys[key].HasSingle)
            Fired.push_back(std::wstring(Keys[key].Name) + L"-single");
    }
    // A press while idle: wait, or fire at once. The code 0 never waits, but its double-press
    // binding still opens a window in which nothing waits.
    void PressWhileIdle(int key) {
        if (DoubleBound[key]) {
            TimerRuns = true;
            if (Keys[key].Code != 0)
                WaitingFor = key;
        } else {
            FireSingle(key);
        }
    }
    void Press(int key) {
        if (WaitingFor < 0) {
            PressWhileIdle(key);
        } else if (WaitingFor == key) {
            if (DoubleBound[key])
                Fired.push_back(std::wstring(Keys[key].Name) + L"-double");
            WaitingFor = -1;
            PressWhileIdle(3); // what follows a double press is what code 0 would do
        } else {
            const int waited = WaitingFor;
            WaitingFor = -1;
            FireSingle(waited);
            PressWhileIdle(key);
        }
    }
    void Tick() {
        TimerRuns = false;
        if (WaitingFor >= 0) {
            const int waited = WaitingFor;
            WaitingFor = -1;
            FireSingle(waited);
        }
    }
    std::int32_t WaitingCode() const { return WaitingFor < 0 ? 0 : Keys[WaitingFor].Code; }
};

std::vector<std::wstring> IniLines(const bool doubleBound[KeyCount], std::mt19937& random) {
    std::vector<std::wstring> lines = {L"RepeatDelay=600000"};
    for (int key = 0; key < KeyCount; ++key) {
        if (Keys[key].HasSingle)
            lines.push_back(std::wstring(Keys[key].Text) + L"=" + Keys[key].Name + L"-single");
        if (doubleBound[key])
            lines.push_back(std::wstring(Keys[key].Text) + L"+=" + Keys[key].Name + L"-double");
        else if (random() % 2)
            lines.push_back(std::wstring(Keys[key].Text) + L"+="); // present and empty
    }
    return lines;
}

std::string Narrow(const Texts& texts) {
    std::string out;
    for (const std::wstring& text : texts)
        out += (out.empty() ? "" : " ") + std::string(text.begin(), text.end());
    return "[" + out + "]";
}

// The sequences run in four shards of 2,500, each a case of its own with its own fixed seed, so
// that each stays well inside the time a test may take under Wine, where every read and write of
// the file is a round trip to the Wine server.
constexpr int Shards = 4;
constexpr int SequencesPerShard = 2500;
constexpr int EventsPerSequence = 8;

class KeyPressModel : public KeyPressDesk, public ::testing::WithParamInterface<int> {};

TEST_P(KeyPressModel, RandomSequencesFireAsTheModelSays) {
    const int shard = GetParam();
    std::mt19937 random(20150123u + static_cast<unsigned>(shard));
    int presses = 0, ticks = 0, edits = 0, firings = 0;

    // The file carries over from one sequence to the next; it is written only when it changes.
    bool doubleBound[KeyCount] = {};
    for (bool& bound : doubleBound)
        bound = random() % 2 == 0;
    Config(IniLines(doubleBound, random));

    for (int sequence = 0; sequence < SequencesPerShard; ++sequence) {
        Model model;
        std::copy(doubleBound, doubleBound + KeyCount, model.DoubleBound);
        AppState.PendingKey = 0;
        KillTimer(Window, 1);
        Firings.What.clear();

        std::ostringstream story;
        story << "shard " << shard << ", sequence " << sequence << ", double-press keys bound:";
        for (int key = 0; key < KeyCount; ++key)
            story << ' ' << model.DoubleBound[key];
        for (int event = 0; event < EventsPerSequence; ++event) {
            const unsigned roll = random() % 20;
            if (roll < 11) {
                const int key = static_cast<int>(random() % KeyCount);
                story << "; press "
                      << std::string(Keys[key].Name, Keys[key].Name + wcslen(Keys[key].Name));
                model.Press(key);
                Press(Keys[key].Code);
                ++presses;
            } else if (roll < 15) {
                story << "; tick";
                model.Tick();
                Tick();
                ++ticks;
            } else {
                const int key = static_cast<int>(random() % KeyCount);
                model.DoubleBound[key] = !model.DoubleBound[key];
                story << "; " << (model.DoubleBound[key] ? "bind " : "unbind ") << key << '+';
                Config(IniLines(model.DoubleBound, random));
                ++edits;
            }
            ASSERT_EQ(Narrow(Firings.What), Narrow(model.Fired)) << story.str();
            ASSERT_EQ(AppState.PendingKey, model.WaitingCode()) << story.str();
        }
        ASSERT_EQ(StopTimer(), model.TimerRuns) << "timer running at the end; " << story.str();
        std::copy(model.DoubleBound, model.DoubleBound + KeyCount, doubleBound);
        firings += static_cast<int>(model.Fired.size());
    }
    // The sequences must have exercised the logic, not only idled.
    EXPECT_GT(presses, SequencesPerShard * 3);
    EXPECT_GT(ticks, SequencesPerShard);
    EXPECT_GT(edits, SequencesPerShard);
    EXPECT_GT(firings, SequencesPerShard);
}

INSTANTIATE_TEST_SUITE_P(KeyPress, KeyPressModel, ::testing::Range(0, Shards));

} // namespace
