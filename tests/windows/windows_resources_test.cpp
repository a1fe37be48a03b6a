// What Windows reads from vok.exe before it runs it, and what Explorer shows under Properties: the
// manifest and the version information in its resource section.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace vok {
namespace {

std::wstring programPath() {
    const std::string narrow = VOK_PROGRAM;
    return std::wstring(narrow.begin(), narrow.end());
}

std::string manifestOf(const std::wstring& program) {
    const HMODULE module =
        LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return {};
    std::string text;
    // Resource 1 of type RT_MANIFEST: the manifest of a program (CREATEPROCESS_MANIFEST_RESOURCE_ID).
    if (const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        if (const HGLOBAL loaded = LoadResource(module, found)) {
            text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
        }
    }
    FreeLibrary(module);
    return text;
}

std::wstring versionString(const std::vector<char>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return L"(none)";
    return std::wstring(value, length > 0 && value[length - 1] == L'\0' ? length - 1 : length);
}

TEST(WindowsResources, TheManifestAsksForLongPathsUtf8AndNamesTheWindowsVersions) {
    const std::string manifest = manifestOf(programPath());
    ASSERT_FALSE(manifest.empty()) << "vok.exe has no manifest";
    for (const char* part :
         {"<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>",
          "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>",
          "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // Windows 10 and 11
          "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // Windows 7
          "<requestedExecutionLevel level=\"asInvoker\"", "version=\"" VOK_VERSION ".0\""}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part << "\nin:\n" << manifest;
    }
}

TEST(WindowsResources, TheVersionInformationNamesProductVersionAndDescription) {
    const std::wstring program = programPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "vok.exe has no version information";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const std::string version = VOK_VERSION;
    const std::string fixedVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                     std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                     std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fixedVersion, version);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const std::wstring wideVersion(version.begin(), version.end());
    EXPECT_EQ(versionString(info, L"ProductName"), L"Vok");
    EXPECT_EQ(versionString(info, L"ProductVersion"), wideVersion);
    EXPECT_EQ(versionString(info, L"FileVersion"), wideVersion);
    EXPECT_EQ(versionString(info, L"OriginalFilename"), L"vok.exe");
    EXPECT_NE(versionString(info, L"FileDescription").find(L"Delta Force missions"), std::wstring::npos);
}

}  // namespace
}  // namespace vok
