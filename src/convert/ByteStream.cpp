#include "convert/ByteStream.h"

#include <cstring>

namespace korvel {

int64_t ByteStream::read(void* dest, int64_t count)
{
    if (count <= 0 || FPosition >= FData.size())
        return 0;
    const int64_t n = std::min<int64_t>(count, FData.size() - FPosition);
    std::memcpy(dest, FData.constData() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

void ByteStream::write(const void* src, int64_t count)
{
    if (count <= 0)
        return;
    if (FPosition == FData.size()) {
        FData.append(static_cast<const char*>(src), count);
    } else {
        if (FPosition + count > FData.size())
            FData.resize(FPosition + count, '\0');
        std::memcpy(FData.data() + FPosition, src, static_cast<size_t>(count));
    }
    FPosition += count;
}

QByteArrayView ByteStream::remaining() const
{
    if (FPosition >= FData.size())
        return {};
    return QByteArrayView(FData.constData() + FPosition, FData.size() - FPosition);
}

} // namespace korvel
