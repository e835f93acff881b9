// A growable in-memory byte buffer with a current position: the byte stream
// that loading, conversion and saving pass between each other.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace korvel {

class ByteStream {
public:
    ByteStream() = default;
    explicit ByteStream(QByteArray data) : FData(std::move(data)) { }

    int64_t size() const { return FData.size(); }
    int64_t position() const { return FPosition; }
    // Moves the position; it may lie beyond the end (a later write fills the gap with zeros).
    void seek(int64_t position) { FPosition = position < 0 ? 0 : position; }
    // Moves the position by delta from the current one.
    void seekRelative(int64_t delta) { seek(FPosition + delta); }

    // Copies up to count bytes from the position into dest; returns how many were copied.
    int64_t read(void* dest, int64_t count);
    // Writes count bytes at the position, overwriting and extending as needed.
    void write(const void* src, int64_t count);
    void write(QByteArrayView bytes) { write(bytes.data(), bytes.size()); }

    // The bytes from the position to the end, without copying.
    QByteArrayView remaining() const;

    const QByteArray& data() const { return FData; }
    // Replaces the content and sets the position to 0.
    void setData(QByteArray data)
    {
        FData = std::move(data);
        FPosition = 0;
    }
    void clear()
    {
        FData.clear();
        FPosition = 0;
    }
    // Reserves capacity for a buffer about to grow to n bytes.
    void reserve(int64_t n) { FData.reserve(n); }

private:
    QByteArray FData;
    int64_t FPosition = 0;
};

} // namespace korvel
