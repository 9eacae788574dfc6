// The editor's documents on disk: whole files written and read at once,
// with the runtime's file errors.
#pragma once

#include <string>
#include <string_view>

namespace kb::editor {

// Replaces the file's contents with the bytes.
void WriteDocumentFile(const std::wstring& path, std::string_view bytes);
// The file's bytes.
std::string ReadDocumentFile(const std::wstring& path);
// A text file's bytes as text: UTF-16 or UTF-8 when they start with that
// byte-order mark, otherwise in the ANSI code page.
std::wstring DecodeText(std::string_view bytes);

}  // namespace kb::editor
