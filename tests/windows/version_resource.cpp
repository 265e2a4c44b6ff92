// Reads a Windows binary's version resource through Windows' own version API, as the file's
// properties dialog does, prints it, and checks it against the expected version.
//
//   version_resource FILE VERSION
//
// VERSION is "MAJOR.MINOR". Exits with 0 when the fixed file and product versions are
// MAJOR.MINOR.0.0 and, in every translation, the strings FileVersion and ProductVersion are
// VERSION, ProductName is "Palisor", and FileDescription, LegalCopyright and OriginalFilename are
// given; with 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
  result.pop_back();
  return result;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

std::string FixedVersion(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: version_resource FILE VERSION\n");
    return 2;
  }
  const std::wstring file = Wide(argv[1]);
  const std::string version = argv[2];
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::vector<unsigned char> data(size);
  if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
    std::fprintf(stderr, "%s has no version resource (error %lu)\n", argv[1],
                 static_cast<unsigned long>(GetLastError()));
    return 1;
  }

  bool good = true;
  auto check = [&good](const char* what, const std::string& value, const std::string& expected) {
    const bool matches = expected.empty() ? !value.empty() : value == expected;
    std::printf("%-16s %s%s\n", what, value.c_str(), matches ? "" : "   <- wrong");
    good = good && matches;
  };

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE) {
    std::fprintf(stderr, "%s: the version resource has no fixed part\n", argv[1]);
    return 1;
  }
  check("file version", FixedVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
        version + ".0.0");
  check("product version", FixedVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS),
        version + ".0.0");

  // The strings of every translation listed: Windows shows the one of the user's language.
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation)) {
    std::fprintf(stderr, "%s: the version resource lists no translation\n", argv[1]);
    return 1;
  }
  for (UINT t = 0; t < length / sizeof(Translation); ++t) {
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translations[t].language,
             translations[t].codePage);
    std::printf("translation      %04x %u\n", translations[t].language,
                static_cast<unsigned>(translations[t].codePage));
    auto text = [&](const char* name) {
      wchar_t* value = nullptr;
      UINT characters = 0;
      const std::wstring path = block + Wide(name);
      if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value),
                          &characters) ||
          characters == 0) {
        return std::string();
      }
      return Utf8(value);
    };
    check("FileVersion", text("FileVersion"), version);
    check("ProductVersion", text("ProductVersion"), version);
    check("ProductName", text("ProductName"), "Palisor");
    check("FileDescription", text("FileDescription"), "");
    check("LegalCopyright", text("LegalCopyright"), "");
    check("OriginalFilename", text("OriginalFilename"), "");
  }
  return good ? 0 : 1;
}
