// The support library: temporary folders and other programs run by a test.
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#if defined(_WIN32)
#include <windows.h>

#include <map>
#include <optional>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace vok::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device device;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate = fs::temp_directory_path() / ("vok-test-" + std::to_string(device()));
        if (fs::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;  // permissions a test took away are restored, so that the folder can be removed
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

fs::path TempDir::write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot write " + (path_ / name).string());
    return path_ / name;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void copyStarterLists(const fs::path& folder) {
    for (const char* name :
         {"DF1Items.vok", "DF2Items.vok", "DF3Items.vok", "DF1Replace.vok", "DF2Replace.vok", "DF3Replace.vok"})
        fs::copy_file(fs::path(VOK_PROGRAM_DIR) / name, folder / name, fs::copy_options::overwrite_existing);
}

namespace {
#if defined(_WIN32)
std::wstring wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).native();
}

/// One argument as the C runtime splits it again; quoted only where needed (a wildcard stays one).
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'"') text.append(backslashes + 1, L'\\');  // the backslashes before it doubled, it escaped
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        text += c;
    }
    return text.append(backslashes, L'\\') + L"\"";
}

HANDLE inheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

std::string withoutCarriageReturns(std::string text) {
#if defined(_WIN32)  // Windows programs write CR LF in text mode
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
#endif
    return text;
}
}  // namespace

ProgramOutput runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment, const std::filesystem::path& workingFolder) {
    const TempDir capture;
    const auto out = capture / "stdout", err = capture / "stderr";
    ProgramOutput output;
#if defined(_WIN32)
    std::wstring commandLine = quoted(program.native());
    for (const auto& arg : args) commandLine += L" " + quoted(wide(arg));
    // The child inherits this process's environment: set the variables for it, then put them back.
    std::map<std::wstring, std::optional<std::wstring>> earlier;
    for (const auto& setting : environment) {
        const std::wstring entry = wide(setting), name = entry.substr(0, entry.find(L'='));
        wchar_t value[32767];
        const DWORD length = GetEnvironmentVariableW(name.c_str(), value, 32767);
        earlier.try_emplace(name, length > 0 ? std::optional<std::wstring>(value) : std::nullopt);
        SetEnvironmentVariableW(name.c_str(), entry.substr(name.size() + 1).c_str());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritableFile(out);
    startup.hStdError = inheritableFile(err);
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process);
    const DWORD startFailure = GetLastError();
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    for (const auto& [name, value] : earlier) SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    if (!started) return {-1, "", "cannot start " + program.string() + ": error " + std::to_string(startFailure)};
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) output.code = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
#else
    const pid_t child = fork();
    if (child < 0) return {-1, "", "cannot start " + program.string() + ": no process"};
    if (child == 0) {
        for (const auto& setting : environment) {
            const auto equals = setting.find('=');
            setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(127);
        std::vector<std::string> argvText = {program.string()};
        argvText.insert(argvText.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : argvText) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) {
            perror("cannot enter the working folder");
        } else {
            execv(argv[0], argv.data());
            perror(("cannot start " + program.string()).c_str());
        }
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) != 127)
        output.code = WEXITSTATUS(status);
#endif
    output.out = withoutCarriageReturns(slurp(out));
    output.err = withoutCarriageReturns(slurp(err));
    return output;
}

}  // namespace vok::testing
