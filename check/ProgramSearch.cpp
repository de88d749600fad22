#include "check/ProgramSearch.h"

#include "send/FindProgram.h"
#include "util/Utils.h"

bool IsExecutableName(const std::wstring& program) {
    const std::wstring name = FileNameOf(program);
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos || IsExecutableExtension(name.c_str() + dot);
}

bool ProgramFound(const std::wstring& program) {
    return FindProgram(program.c_str(), nullptr, 0);
}
