// Helpers of the message store tests: corpus paths, loading with the reason on failure, and a small TNEF
// writer for winmail.dat parts (no real one is in the corpus).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/store/Message.h"
#include "pal/host.h"

namespace store_test {

inline std::string Corpus(const std::string& relative) { return std::string(VANTORA_CORPUS_DIR) + "/" + relative; }

inline std::shared_ptr<store::Message> Load(const std::string& path)
{
    std::string error;
    auto m = store::LoadMessageFile(path, error);
    EXPECT_TRUE(m) << error;
    return m;
}

inline std::shared_ptr<store::Message> Parse(const std::string& bytes)
{
    std::string error;
    auto m = store::LoadMessageBytes(bytes, "test", error);
    EXPECT_TRUE(m) << error;
    return m;
}

inline std::string U8(const std::u16string& s) { return pal::ToUtf8(s); }

inline std::string Text(const store::PropSet& props, ULONG tag)
{
    const store::PropValue* v = props.Find(tag);
    return v ? pal::ToUtf8(v->text) : std::string();
}

inline LONG Number(const store::PropSet& props, ULONG tag, LONG fallback = -12345)
{
    const store::PropValue* v = props.Find(tag);
    return v ? v->number : fallback;
}

// Writes TNEF attributes (level, id, length, data, checksum).
class TnefWriter {
public:
    TnefWriter()
    {
        U32(m_out, 0x223E9F78);
        U16(m_out, 0x0001);
        Attribute(1, 0x00089006, Dword(0x00010000)); // attTnefVersion
        Attribute(1, 0x00069007, Dword(1252) + Dword(0)); // attOemCodepage
    }
    void Attribute(uint8_t level, uint32_t id, const std::string& data)
    {
        m_out += char(level);
        U32(m_out, id);
        U32(m_out, uint32_t(data.size()));
        m_out += data;
        unsigned sum = 0;
        for (unsigned char c : data)
            sum += c;
        U16(m_out, uint16_t(sum & 0xFFFF));
    }
    // A MAPI property block with binary and 8-bit string values.
    static std::string Props(const std::vector<std::pair<uint32_t, std::string>>& values)
    {
        std::string out = Dword(uint32_t(values.size()));
        for (const auto& [tag, value] : values) {
            out += Dword(tag);
            if ((tag & 0xFFFF) == 0x0003) {
                out += value;
                continue;
            }
            out += Dword(1) + Dword(uint32_t(value.size())) + value;
            while (out.size() % 4)
                out += '\0';
        }
        return out;
    }
    void AddFile(const std::string& name, const std::string& data)
    {
        std::string rend = Word(1) + Dword(0xFFFFFFFF) + Word(0) + Word(0) + Dword(0);
        Attribute(2, 0x00069002, rend);                                  // attAttachRendData
        Attribute(2, 0x00018010, name + std::string(1, '\0'));           // attAttachTitle
        Attribute(2, 0x0006800F, data);                                  // attAttachData
        Attribute(2, 0x00069005, Props({{0x3707001E, name + std::string(1, '\0')}})); // attAttachment
    }
    void SetRtf(const std::string& compressed) { Attribute(1, 0x00069003, Props({{0x10090102, compressed}})); }
    const std::string& Bytes() const { return m_out; }

    static std::string Dword(uint32_t v)
    {
        std::string s;
        U32(s, v);
        return s;
    }
    static std::string Word(uint16_t v)
    {
        std::string s;
        U16(s, v);
        return s;
    }

private:
    static void U32(std::string& s, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            s += char((v >> (8 * i)) & 0xFF);
    }
    static void U16(std::string& s, uint16_t v)
    {
        s += char(v & 0xFF);
        s += char(v >> 8);
    }
    std::string m_out;
};

inline std::string Base64(const std::string& bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string flat;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size())
            v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size())
            v |= uint8_t(bytes[i + 2]);
        flat += table[(v >> 18) & 63];
        flat += table[(v >> 12) & 63];
        flat += i + 1 < bytes.size() ? table[(v >> 6) & 63] : '=';
        flat += i + 2 < bytes.size() ? table[v & 63] : '=';
    }
    std::string out;
    for (size_t i = 0; i < flat.size(); i += 76)
        out += flat.substr(i, 76) + "\r\n";
    return out;
}

} // namespace store_test
