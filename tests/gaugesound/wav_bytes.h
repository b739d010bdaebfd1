// Builds RIFF WAVE files in memory for the sound library's tests, chunk by
// chunk, so that a test can write a well-formed file or break one on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wav_bytes {

struct Format {
    uint16_t tag      = 1;  // PCM
    uint16_t channels = 1;
    uint32_t rate_hz  = 22050;
    uint16_t bits     = 16;
    int block_bytes   = -1;  // -1: channels * bits / 8
};

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A chunk: its id, its size as claimed (the body's own unless given), the
// body and its pad byte when the body is odd.
inline std::vector<uint8_t> chunk(const std::string& id, const std::vector<uint8_t>& body,
                                  int64_t claimed_bytes = -1, bool pad = true) {
    std::vector<uint8_t> out(id.begin(), id.end());
    put32(out, claimed_bytes < 0 ? static_cast<uint32_t>(body.size())
                                 : static_cast<uint32_t>(claimed_bytes));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) out.push_back(0);
    return out;
}

inline uint16_t block_of(const Format& f) {
    return static_cast<uint16_t>(f.block_bytes >= 0 ? f.block_bytes : f.channels * f.bits / 8);
}

inline std::vector<uint8_t> fmt_body(const Format& f) {
    std::vector<uint8_t> body;
    put16(body, f.tag);
    put16(body, f.channels);
    put32(body, f.rate_hz);
    put32(body, f.rate_hz * block_of(f));
    put16(body, block_of(f));
    put16(body, f.bits);
    return body;
}

// The 40-byte fmt body of WAVE_FORMAT_EXTENSIBLE whose sub-format's tag is
// `sub_tag` (1 PCM, 3 float); `guid_tail_ok` false spoils the GUID's tail.
inline std::vector<uint8_t> extensible_body(Format f, uint16_t sub_tag, bool guid_tail_ok = true,
                                            uint16_t valid_bits = 0) {
    f.tag                     = 0xFFFE;
    std::vector<uint8_t> body = fmt_body(f);
    put16(body, 22);
    put16(body, valid_bits ? valid_bits : f.bits);
    put32(body, f.channels == 1 ? 0x4 : 0x3);  // channel mask
    put16(body, sub_tag);
    const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    body.insert(body.end(), tail, tail + 14);
    if (!guid_tail_ok) body.back() ^= 0xFF;
    return body;
}

// A RIFF WAVE file of the chunks given, its RIFF size the chunks' own unless given.
inline std::vector<uint8_t> riff(const std::vector<std::vector<uint8_t>>& chunks,
                                 int64_t claimed_bytes = -1) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    put32(out, claimed_bytes < 0 ? static_cast<uint32_t>(body.size())
                                 : static_cast<uint32_t>(claimed_bytes));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// Samples in the file's own encoding: 16-bit little-endian, or 8-bit offset by 128.
inline std::vector<uint8_t> pcm(const std::vector<int16_t>& samples, uint16_t bits) {
    std::vector<uint8_t> out;
    for (int16_t s : samples) {
        if (bits == 8) {
            out.push_back(static_cast<uint8_t>((s >> 8) + 128));
        } else {
            put16(out, static_cast<uint16_t>(s));
        }
    }
    return out;
}

// A plain PCM file of `samples` (interleaved when stereo).
inline std::vector<uint8_t> wav(const Format& f, const std::vector<int16_t>& samples) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", pcm(samples, f.bits))});
}

}  // namespace wav_bytes
