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

}  // namespace coder
