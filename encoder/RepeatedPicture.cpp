// SPDX-License-Identifier: GPL-3.0-or-later
#include "RepeatedPicture.h"

namespace coder {

namespace {

class BitWriter {
  public:
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            bit((value >> i) & 1U);
        }
    }
    void bit(unsigned b) {
        if (used_ == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() = static_cast<uint8_t>(bytes_.back() | (b << (7 - used_)));
        used_ = (used_ + 1) % 8;
    }
    // MPEG-4 stuffing before the next start code: a zero, then ones up to a byte boundary
    // (a whole byte when already aligned).
    void stuff() {
        bit(0);
        while (used_ != 0) {
            bit(1);
        }
    }
    std::vector<uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
    int used_ = 0;  // bits used in the last byte
};

}  // namespace

bool samePicture(const AVFrame* f, const AVFrame* last) {
    if (!f || !last || !f->buf[0] || !last->buf[0] || f->width != last->width ||
        f->height != last->height || f->format != last->format) {
        return false;
    }
    for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
        const bool fb = f->buf[i] != nullptr;
        if (fb != (last->buf[i] != nullptr) || f->data[i] != last->data[i] ||
            (fb && f->buf[i]->buffer != last->buf[i]->buffer)) {
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> notCodedPicture(AVRational timeBase, int64_t lastPts) {
    // The encoder counts time in units of 1/timeBase.den and spends just enough bits on the
    // part below a second.
    const int64_t den = timeBase.den;
    int bits = 1;
    while ((int64_t{1} << bits) < den) {
        ++bits;
    }
    const int64_t ticks = lastPts * timeBase.num;
    const int64_t withinSecond = ((ticks % den) + den) % den;
    BitWriter w;
    w.put(0x000001B6, 32);  // picture start code
    w.put(1, 2);            // inter picture
    w.bit(0);               // no whole seconds past the last picture
    w.bit(1);               // marker
    w.put(static_cast<uint32_t>(withinSecond), bits);
    w.bit(1);  // marker
    w.bit(0);  // not coded: show the previous picture
    w.stuff();
    return w.take();
}

std::vector<uint8_t> skippedWmv2Picture(const uint8_t* extradata, int size, int width, int height) {
    if (!extradata || size < 4 || width <= 0 || height <= 0) {
        return {};
    }
    const uint32_t header = uint32_t(extradata[0]) << 24 | uint32_t(extradata[1]) << 16 |
                            uint32_t(extradata[2]) << 8 | extradata[3];
    // After five bits of frame rate and eleven of bit rate come the stream's flags.
    const auto flag = [&](int bit) { return (header >> (31 - bit)) & 1U; };
    const bool mspel = flag(16), loopFilter = flag(17), abt = flag(18), perMbRl = flag(21);
    if (loopFilter) {
        return {};
    }
    BitWriter w;
    w.bit(1);     // inter picture
    w.put(2, 5);  // a quantiser, which no macroblock uses
    w.put(2, 2);  // skipped macroblocks are marked row by row
    for (int row = 1; row < (height + 15) / 16; ++row) {
        w.bit(1);  // the whole row skipped
    }
    // The last row macroblock by macroblock: a picture marked as wholly skipped would be
    // dropped by some decoders, and the stream would lose a picture.
    w.bit(0);
    for (int column = 0; column < (width + 15) / 16; ++column) {
        w.bit(1);
    }
    w.bit(0);  // coded block pattern table 0
    if (mspel) {
        w.bit(0);
    }
    if (abt) {
        w.bit(1);  // one transform type for the picture...
        w.bit(0);  // ...the plain one
    }
    if (perMbRl) {
        w.bit(0);  // one coefficient table for the picture...
    }
    w.bit(0);  // ...table 0
    w.bit(0);  // DC table
    w.bit(0);  // motion vector table
    std::vector<uint8_t> bytes = w.take();
    bytes.resize(bytes.size() + 4, 0);  // room for a decoder that reads ahead
    return bytes;
}

}  // namespace coder
