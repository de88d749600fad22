#include "util/StrokeText.h"

#include "util/TextBuffer.h"

void StrokeName(const Stroke& stroke, wchar_t* out, std::size_t capacity) {
    if (capacity == 0)
        return;
    out[0] = 0;
    TextBuffer text{out, capacity, 0};
    for (int i = 0; i <= stroke.ModifierCount; ++i) {
        const StrokeKey& key = i < stroke.ModifierCount ? stroke.Modifiers[i] : stroke.Key;
        if (i > 0)
            AddText(text, L"+");
        if (key.Name) {
            AddText(text, key.Name);
        } else {
            wchar_t name[5];
            VirtualKeyWord(key.VirtualKey, name);
            AddText(text, name);
        }
    }
}

const wchar_t* StrokeProblemText(StrokeProblem problem) {
    switch (problem) {
    case StrokeProblem::None:
        break;
    case StrokeProblem::UnknownName:
        return L"is not the name of a key or a modifier";
    case StrokeProblem::NotModifier:
        return L"is a key, not a modifier: only the last part of a stroke is its key";
    case StrokeProblem::EmptyPart:
        return L"has an empty part between the + signs";
    case StrokeProblem::RepeatedModifier:
        return L"names the same modifier twice";
    case StrokeProblem::BadCount:
        return L"is not a count from 1 to 100";
    case StrokeProblem::CountNotTaken:
        return L"is a count, which a key that acts as another never takes";
    }
    return L"";
}
