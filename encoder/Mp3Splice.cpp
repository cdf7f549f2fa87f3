// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp3Splice.h"

#include <algorithm>

namespace coder::mp3 {

namespace {

class BitReader {
  public:
    explicit BitReader(const uint8_t* data) : data_(data) {}
    unsigned read(int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i, ++pos_) {
            v = v << 1 | ((data_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1u);
        }
        return v;
    }
    void skip(int n) { pos_ += n; }

  private:
    const uint8_t* data_;
    int pos_ = 0;
};

// The layouts of a run's frames and where each frame's data room begins, counted in the
// stream of data rooms alone (headers and side information left out).
struct RunLayout {
    std::vector<FrameLayout> frames;
    std::vector<int64_t> roomStart;  // one more than frames: the last is the end

    explicit RunLayout(const EncodedRun& run) {
        roomStart.push_back(0);
        for (const PacketPtr& p : run.frames) {
            const auto f = parseFrame(p->data, p->size);
            frames.push_back(f.value_or(FrameLayout{}));
            roomStart.push_back(roomStart.back() + (f ? f->dataRoom() : 0));
        }
    }
    bool valid(size_t i) const { return i < frames.size() && frames[i].size > 0; }
    // Room left free after frame i's data, up to the end of its room.
    int64_t freeAfter(size_t i) const {
        const FrameLayout& f = frames[i];
        const int64_t dataEnd = roomStart[i] - f.mainDataBegin + f.mainDataBytes;
        return roomStart[i + 1] - dataEnd;
    }
};

// The byte at position `pos` of a run's stream of data rooms.
uint8_t* roomByte(const EncodedRun& run, const RunLayout& layout, int64_t pos) {
    const auto after = std::upper_bound(layout.roomStart.begin(), layout.roomStart.end(), pos);
    const size_t i = size_t(after - layout.roomStart.begin()) - 1;
    return run.frames[i]->data + layout.frames[i].dataStart + (pos - layout.roomStart[i]);
}

// The fixed four bytes that begin a Layer III frame.
struct Header {
    bool mpeg1 = false;  // else MPEG-2 or 2.5, with one granule a frame
    bool crc = false;
    int freq = 0;
    int rateIndex = 0;
    int padding = 0;
    int channels = 0;

    static std::optional<Header> read(const uint8_t* d, int size) {
        if (size < 4 || d[0] != 0xFF || (d[1] & 0xE0) != 0xE0) {
            return std::nullopt;
        }
        const int version = (d[1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
        const int layer = (d[1] >> 1) & 3;    // 1: Layer III
        const int freqIndex = (d[2] >> 2) & 3;
        Header h;
        h.rateIndex = d[2] >> 4;
        if (version == 1 || layer != 1 || h.rateIndex == 0 || h.rateIndex == 15 || freqIndex == 3) {
            return std::nullopt;
        }
        static const int freqs[] = {44100, 48000, 32000};
        h.mpeg1 = version == 3;
        h.crc = !(d[1] & 1);
        h.freq = freqs[freqIndex] >> (h.mpeg1 ? 0 : version == 2 ? 1 : 2);
        h.padding = (d[2] >> 1) & 1;
        h.channels = (d[3] >> 6) == 3 ? 1 : 2;
        return h;
    }
    int sizeAt(int index) const {
        static const int kbps1[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
        static const int kbps2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
        const int* kbps = mpeg1 ? kbps1 : kbps2;
        return (mpeg1 ? 144000 : 72000) * kbps[index] / freq + padding;
    }
};

}  // namespace

std::optional<FrameLayout> parseFrame(const uint8_t* d, int size) {
    const auto h = Header::read(d, size);
    if (!h) {
        return std::nullopt;
    }
    const bool mpeg1 = h->mpeg1, crc = h->crc;
    const int channels = h->channels;
    const int side = mpeg1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17);

    FrameLayout f;
    f.size = h->sizeAt(h->rateIndex);
    f.growth = crc ? 0 : h->sizeAt(14) - f.size;  // a CRC would cover the changed header
    f.dataStart = 4 + (crc ? 2 : 0) + side;
    if (size < f.dataStart || f.size < f.dataStart) {
        return std::nullopt;
    }
    BitReader bits(d + 4 + (crc ? 2 : 0));
    f.mainDataBegin = int(bits.read(mpeg1 ? 9 : 8));
    bits.skip(mpeg1 ? (channels == 1 ? 5 : 3) + 4 * channels : channels);
    const int granules = mpeg1 ? 2 : 1;
    int dataBits = 0;
    for (int g = 0; g < granules; ++g) {
        for (int ch = 0; ch < channels; ++ch) {
            dataBits += int(bits.read(12));             // part2_3_length
            bits.skip(9 + 8 + (mpeg1 ? 4 : 9));         // big values, gain, scale factors
            const bool windowSwitching = bits.read(1);  // a start, short or stop block
            bits.skip(22 + (mpeg1 ? 3 : 2));            // tables, regions; flags
            if (windowSwitching && g == 0) {
                f.longStart = false;
            }
            if (windowSwitching && g == granules - 1) {
                f.longEnd = false;
            }
        }
    }
    f.mainDataBytes = (dataBits + 7) / 8;
    return f;
}

std::optional<int64_t> findJoin(const EncodedRun& a, const EncodedRun& b, int64_t from, int64_t to,
                                Fit fit) {
    const RunLayout la(a), lb(b);
    std::optional<int64_t> best;
    int64_t bestSlack = 0;
    for (int64_t at = std::max({from, a.first + 1, b.first});
         at < to && at < a.end() && at < b.end(); ++at) {
        const size_t ai = size_t(at - 1 - a.first), bi = size_t(at - b.first);
        if (!la.valid(ai) || !lb.valid(bi)) {
            continue;
        }
        const int need = lb.frames[bi].mainDataBegin;
        const int64_t slack =
            la.freeAfter(ai) + (fit == Fit::GrowingLast ? la.frames[ai].growth : 0) - need;
        if (slack < 0 || need > lb.roomStart[bi]) {
            continue;
        }
        if (fit == Fit::Exact && !(la.frames[ai].longEnd && lb.frames[bi].longStart)) {
            continue;
        }
        // The less room left unused, the nearer b's reservoir has come to a's: b then spends
        // bits as a would have.
        if (!best || slack < bestSlack) {
            best = at;
            bestSlack = slack;
        }
    }
    return best;
}

namespace {

// Raises the bit rate of the run's last frame so that its room grows by `bytes` at least;
// the frame's data stays where it is, and the new room is free.
void growLast(EncodedRun& a, int bytes) {
    AVPacket* p = a.frames.back().get();
    const Header h = Header::read(p->data, p->size).value();  // findJoin() read it before
    int index = h.rateIndex;
    while (index < 14 && h.sizeAt(index) - h.sizeAt(h.rateIndex) < bytes) {
        ++index;
    }
    const int extra = h.sizeAt(index) - h.sizeAt(h.rateIndex);
    if (extra < bytes || av_grow_packet(p, extra) < 0) {
        throw Failure("cannot join the two halves of the MP3 stream");
    }
    uint8_t* d = p->data;
    std::fill(d + p->size - extra, d + p->size, uint8_t(0));
    d[2] = uint8_t((d[2] & 0x0F) | index << 4);
}

}  // namespace

void join(EncodedRun& a, const EncodedRun& b, int64_t at) {
    a.frames.resize(size_t(at - a.first));
    for (PacketPtr& p : a.frames) {
        if (av_packet_make_writable(p.get()) < 0) {
            throw Failure("out of memory");
        }
    }
    const RunLayout lb(b);
    const size_t bi = size_t(at - b.first);
    const int need = lb.frames[bi].mainDataBegin;
    if (const int64_t lacking = need - RunLayout(a).freeAfter(a.frames.size() - 1); lacking > 0) {
        growLast(a, int(lacking));
    }
    const RunLayout la(a);
    const int64_t aEnd = la.roomStart.back(), bStart = lb.roomStart[bi];
    for (int i = 1; i <= need; ++i) {
        *roomByte(a, la, aEnd - i) = *roomByte(b, lb, bStart - i);
    }
}

}  // namespace coder::mp3
