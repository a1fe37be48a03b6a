#include "tests/support/child_process.h"

#include <algorithm>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>

extern char** environ;
#endif

namespace vok::testing {

namespace {

#if defined(_WIN32)
std::wstring wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).native();
}

/// One argument as the C runtime splits it from the command line again; quoted only where needed,
/// so that a wildcard reaches the program as a shell would hand it over.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

HANDLE inheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

std::string withoutCarriageReturns(std::string text) {
#if defined(_WIN32)
    std::size_t at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
#endif
    return text;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& environment,
                           const std::filesystem::path& workingFolder) {
#if defined(_WIN32)
    std::wstring commandLine = quoted(program.native());
    for (const auto& arg : args) commandLine += L" " + quoted(wide(arg));
    // This process's environment, with the given variables replacing any of the same name.
    std::vector<std::wstring> variables;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
            variables.push_back(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& setting : environment) {
        const std::wstring entry = wide(setting);
        const std::wstring name = entry.substr(0, entry.find(L'=') + 1);
        std::erase_if(variables, [&](const std::wstring& v) {
            return _wcsnicmp(v.c_str(), name.c_str(), name.size()) == 0;
        });
        variables.push_back(entry);
    }
    std::wstring block;
    for (const auto& v : variables) block += v + L'\0';
    block += L'\0';

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritableFile(capture_ / "stdout");
    startup.hStdError = inheritableFile(capture_ / "stderr");
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, block.data(),
                       workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process);
    const DWORD startFailure = GetLastError();
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) {
        startError_ = "cannot start " + program.string() + ": error " + std::to_string(startFailure);
        return;
    }
    CloseHandle(process.hThread);
    handle_ = reinterpret_cast<std::intptr_t>(process.hProcess);
#else
    std::vector<std::string> argvText = {program.string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const bool replaced =
            std::any_of(environment.begin(), environment.end(), [&](const std::string& setting) {
                return text.substr(0, text.find('=') + 1) == setting.substr(0, setting.find('=') + 1);
            });
        if (!replaced) envText.emplace_back(text);
    }
    envText.insert(envText.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (auto& entry : envText) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = (capture_ / "stdout").string(), err = (capture_ / "stderr").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    pid_t pid = -1;
    const int result = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        startError_ = "cannot start " + program.string() + ": " + std::strerror(result);
        return;
    }
    handle_ = pid;
#endif
}

ChildProcess::~ChildProcess() {
    if (handle_ != -1) wait();
}

ProgramOutput ChildProcess::wait() {
    ProgramOutput output;
    if (handle_ == -1) {
        output.err = startError_;
        return output;
    }
#if defined(_WIN32)
    const HANDLE process = reinterpret_cast<HANDLE>(handle_);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code)) output.code = static_cast<int>(code);
    CloseHandle(process);
#else
    int status = 0;
    if (waitpid(static_cast<pid_t>(handle_), &status, 0) == handle_ && WIFEXITED(status)) {
        output.code = WEXITSTATUS(status);
    }
#endif
    handle_ = -1;
    output.out = withoutCarriageReturns(slurp(capture_ / "stdout"));
    output.err = withoutCarriageReturns(slurp(capture_ / "stderr"));
    return output;
}

}  // namespace vok::testing
