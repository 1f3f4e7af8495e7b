// File names travel through the game as UTF-8 text, as Linux gives them and
// as the Windows entry turns its wide command line into. They meet the file
// system only through these, which on Windows take the wide-character calls:
// a user folder such as C:\Users\Jörg or C:\Users\Иван works, where the ANSI
// calls would garble or refuse it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

std::filesystem::path PathFromUtf8(const std::string& name);
std::string Utf8FromPath(const std::filesystem::path& path);

// The environment variable's value; empty when it is not set.
std::string EnvironmentText(const char* variable);

// std::fopen and open(2) for a UTF-8 name.
std::FILE* OpenFile(const std::string& name, const char* mode);
int OpenFileDescriptor(const std::string& name, int flags, int permissions);
