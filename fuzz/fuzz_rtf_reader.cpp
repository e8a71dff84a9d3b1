// The RTF reader takes any bytes: it either refuses them or returns text that the writer
// writes and the reader reads back unchanged. Its plain-text output is the same text.

#include "documents/rtfreader.h"
#include "documents/rtfwriter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const RtfReadResult result = readRtf(input);
    const RtfTextResult plain = readRtfText(input);
    if (plain.error != result.error || plain.errorOffset != result.errorOffset
        || (result.ok() && plain.text != result.text.plainText()))
        std::abort();
    if (!result.ok()) {
        if (!result.text.paragraphs.isEmpty() || result.errorOffset < 0
            || result.errorOffset > input.size())
            std::abort();
        return 0;
    }
    const QByteArray written = writeRtf(result.text);
    if (written.size() > RtfLimits().maxBytes)
        return 0;
    const RtfReadResult again = readRtf(written);
    if (!again.ok() || !(again.text == result.text))
        std::abort();
    return 0;
}
