#pragma once
// Helpers shared by the tests: real folders and files, the built deliverables, UTF-8 output.
#include <windows.h>

#include <string>
#include <vector>

// Whether the tests run under Wine rather than Windows (Wine's ntdll exports wine_get_version).
// Where Wine differs, a test expects Windows' behaviour on Windows and says why it cannot under Wine.
bool RunsOnWine();

// Folder of the built deliverables (build\bin), found from the test program's own place.
std::wstring BinDir();
// The test program's own folder.
std::wstring TestDir();

// A fresh folder under %TEMP%, removed with everything in it when the object goes.
class CTempDir {
public:
  explicit CTempDir(const std::wstring& hint = L"t");
  CTempDir(const CTempDir&) = delete;
  CTempDir& operator=(const CTempDir&) = delete;
  ~CTempDir();
  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const;

private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
// Writes bytes (UTF-8 text given as a narrow string stays as it is).
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
// UTF-16 text as bytes, without a byte-order mark (which is what makes it unreadable to a reader
// of 8-bit text).
std::string Utf16Bytes(const std::wstring& text, bool bigEndian = false);
// Copies the named deliverables from BinDir() into `folder` (an install folder of the test's own).
void CopyDeliverables(const std::wstring& folder, const std::vector<std::wstring>& names);
// Sets a file's last-write time `seconds` before now; false when it cannot.
bool AgeFile(const std::wstring& path, unsigned seconds);
// Names in a folder, sorted, without "." and "..".
std::vector<std::wstring> ListFolder(const std::wstring& folder);

// A junction at `link` (a new folder) that leads to the folder `target`, as mklink /J makes one.
// False where the file system cannot make one.
bool MakeJunction(const std::wstring& link, const std::wstring& target);

// UTF-8 for gtest messages (Wine's msvcrt prints nothing for %ls of Japanese text).
std::string U8(const std::wstring& text);
