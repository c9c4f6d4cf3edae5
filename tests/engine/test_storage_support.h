// Helpers shared by the storage tests: hex dumps of record bytes, table files
// in a temporary folder, and running the Debian DBF peers.
#pragma once

#include "engine/storage/table.h"
#include "tests/support/testsupport.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace storagetest {

inline std::string Hex(const uint8_t* data, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        if (i)
            text += ' ';
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

inline std::string Hex(const std::vector<uint8_t>& bytes) { return Hex(bytes.data(), bytes.size()); }

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The bytes of field `name` in `image`.
inline std::string FieldHex(const storage::Table& table, const std::vector<uint8_t>& image, const std::string& name)
{
    int index = table.Layout().FieldIndex(name);
    if (index < 0)
        return "no field " + name;
    const storage::FieldDesc& field = table.Fields()[size_t(index)];
    return Hex(image.data() + field.offset, field.storageLength(table.Kind()));
}

inline std::string Path(const testsupport::TempFolder& folder, const char* name)
{
    return folder.file(name).toStdString();
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& name)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(name.c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

inline void WriteFileBytes(const std::string& name, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

constexpr const char* kPython = "/usr/bin/python3";

// Runs `script` (a file of tests/engine) with /usr/bin/python3 and the given
// arguments; returns its exit code and fills `output` with what it printed.
int RunPython(const std::string& script, const std::vector<std::string>& args, std::string& output);

// Why the peers cannot run here, or "" when they can.
std::string PeerUnavailableReason();

} // namespace storagetest
