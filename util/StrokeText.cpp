#include "util/StrokeText.h"

namespace {

void Append(wchar_t* out, std::size_t capacity, std::size_t* used, const wchar_t* text) {
    for (; *text && *used + 1 < capacity; ++text)
        out[(*used)++] = *text;
    out[*used] = 0;
}

} // namespace

void StrokeName(const Stroke& stroke, wchar_t* out, std::size_t capacity) {
    std::size_t used = 0;
    if (capacity == 0)
        return;
    out[0] = 0;
    for (int i = 0; i <= stroke.ModifierCount; ++i) {
        const StrokeKey& key = i < stroke.ModifierCount ? stroke.Modifiers[i] : stroke.Key;
        if (i > 0)
            Append(out, capacity, &used, L"+");
        if (key.Name) {
            Append(out, capacity, &used, key.Name);
        } else {
            wchar_t name[5];
            VirtualKeyWord(key.VirtualKey, name);
            Append(out, capacity, &used, name);
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
