#include "exchange/ArjListing.h"

#include <array>
#include <fstream>

namespace vrklad {

namespace {

constexpr unsigned char kHeaderId0 = 0x60;
constexpr unsigned char kHeaderId1 = 0xEA;
constexpr size_t kMaxBasicHeader = 2600;  // the format's own limit
constexpr size_t kFixedPart = 30;         // fields up to the chapters

uint16_t U16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                 static_cast<unsigned char>(b[at + 1]) << 8);
}

uint32_t U32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

class Reader {
  public:
    explicit Reader(const std::filesystem::path& path) : m_in(path, std::ios::binary) {
        if (m_in) {
            m_in.seekg(0, std::ios::end);
            m_size = static_cast<uint64_t>(m_in.tellg());
            m_in.seekg(0);
        }
    }
    bool IsOpen() const { return static_cast<bool>(m_in); }

    bool Read(size_t n, std::string& out) {
        if (m_pos + n > m_size) return false;
        out.resize(n);
        m_in.read(out.data(), static_cast<std::streamsize>(n));
        if (!m_in) return false;
        m_pos += n;
        return true;
    }

    bool Skip(uint64_t n) {
        if (m_pos + n > m_size) return false;
        m_pos += n;
        m_in.seekg(static_cast<std::streamoff>(m_pos));
        return static_cast<bool>(m_in);
    }

  private:
    std::ifstream m_in;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
};

enum class Header { Basic, End, Bad };

// One header: id, size, basic header, its CRC and the extended headers after
// it. `basic` gets the basic header's bytes.
Header ReadHeader(Reader& in, std::string& basic, std::string& error) {
    std::string bytes;
    if (!in.Read(4, bytes)) {
        error = "unexpected end of file";
        return Header::Bad;
    }
    if (static_cast<unsigned char>(bytes[0]) != kHeaderId0 ||
        static_cast<unsigned char>(bytes[1]) != kHeaderId1) {
        error = "no ARJ header where one is due";
        return Header::Bad;
    }
    const uint16_t size = U16(bytes, 2);
    if (size == 0) return Header::End;
    if (size > kMaxBasicHeader || size < kFixedPart) {
        error = "header size out of range";
        return Header::Bad;
    }
    if (!in.Read(size, basic) || !in.Read(4, bytes)) {
        error = "unexpected end of file";
        return Header::Bad;
    }
    if (ArjCrc32(basic) != U32(bytes, 0)) {
        error = "header CRC error";
        return Header::Bad;
    }
    for (;;) {
        if (!in.Read(2, bytes)) {
            error = "unexpected end of file";
            return Header::Bad;
        }
        const uint16_t extSize = U16(bytes, 0);
        if (extSize == 0) break;
        if (!in.Skip(uint64_t{extSize} + 4)) {
            error = "unexpected end of file";
            return Header::Bad;
        }
    }
    const size_t firstSize = static_cast<unsigned char>(basic[0]);
    if (firstSize < kFixedPart || firstSize >= basic.size()) {
        error = "bad header layout";
        return Header::Bad;
    }
    return Header::Basic;
}

}  // namespace

uint32_t ArjCrc32(std::string_view bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

ArjListing ReadArjListing(const std::filesystem::path& archive) {
    ArjListing listing;
    Reader in(archive);
    if (!in.IsOpen()) {
        listing.error = "cannot open the archive";
        return listing;
    }
    std::string basic;
    if (ReadHeader(in, basic, listing.error) != Header::Basic) {
        listing.error = "not an ARJ archive: " + listing.error;
        return listing;
    }
    listing.archiveFlags = static_cast<uint8_t>(basic[4]);

    for (;;) {
        const Header h = ReadHeader(in, basic, listing.error);
        if (h == Header::End) break;
        if (h == Header::Bad) return listing;

        const size_t firstSize = static_cast<unsigned char>(basic[0]);
        const size_t nameEnd = basic.find('\0', firstSize);
        if (nameEnd == std::string::npos) {
            listing.error = "member name not terminated";
            return listing;
        }
        ArjMember m;
        m.hostOs = static_cast<uint8_t>(basic[3]);
        m.flags = static_cast<uint8_t>(basic[4]);
        m.fileType = static_cast<uint8_t>(basic[6]);
        m.originalSize = U32(basic, 16);
        m.storedName = basic.substr(firstSize, nameEnd - firstSize);
        const size_t namePosition = U16(basic, 24);
        if (namePosition > m.storedName.size()) {
            listing.error = "member file-name position beyond its name";
            return listing;
        }
        m.extractName = m.storedName.substr(namePosition);
        const uint32_t compressedSize = U32(basic, 12);
        if (!in.Skip(compressedSize)) {
            listing.error = "unexpected end of file in member data";
            return listing;
        }
        listing.members.push_back(std::move(m));
    }
    listing.ok = true;
    return listing;
}

}  // namespace vrklad
