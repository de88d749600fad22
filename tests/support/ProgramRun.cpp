#include "support/ProgramRun.h"

ProgramRun RunProgram(const std::wstring& program, const std::wstring& arguments,
                      const TempFolder& folder) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    static int runs = 0; // a fresh output file each run
    const std::wstring outPath = folder.PathOf(L"output" + std::to_wstring(++runs) + L".txt");
    HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    std::wstring commandLine =
        L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" ") + arguments;
    PROCESS_INFORMATION process{};
    ProgramRun run;
    if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, folder.Path.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &run.ExitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(out);
    run.Output = ReadBytes(outPath);
    return run;
}

ProgramRun RunChecker(const TempFolder& folder, const std::wstring& arguments) {
    const std::wstring exe = folder.PathOf(L"KeyloftCheck.exe");
    CopyFileW((BinFolder() + L"KeyloftCheck.exe").c_str(), exe.c_str(), FALSE);
    return RunProgram(exe, arguments, folder);
}
