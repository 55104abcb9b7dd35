// libFuzzer target for the version reader. An input that starts with "MZ" is a whole file. Any
// other input edits a well-formed file with a version resource: two bytes give a length to cut
// the file to (ignored when not shorter), then each group of three bytes writes one byte (two
// bytes of offset, one of value). The file always lies in a buffer of exactly its size, so that a
// read past its end is caught.

#include "support/fileversioninfo.h"

#include "peimage.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

const QByteArray &wellFormed() {
    using namespace peimage;
    static const QByteArray image = peImage(versionBlock(
        fixedPart(0x3F, 0x25, 3, 4),
        {node(u"StringFileInfo", {}, 0, true,
              {stringTable("040904B0", {{"CompanyName", "Ventrel"}, {"Comments", "note"}}),
               stringTable("041904E3", {{"CompanyName", "Вентрель"}, {"FileVersion", "2.0"}})}),
         translations({0x04E30419, 0x04B00409})}));
    return image;
}

void read(const uint8_t *bytes, size_t size) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
    if (size > 0)
        std::memcpy(exact.get(), bytes, size);
    versionInfoFromImage(QByteArrayView(exact.get(), qsizetype(size)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size >= 2 && data[0] == 'M' && data[1] == 'Z') {
        read(data, size);
        return 0;
    }
    QByteArray image = wellFormed();
    if (size >= 2) {
        const qsizetype cut = data[0] | data[1] << 8;
        if (cut < image.size())
            image.truncate(cut);
    }
    for (size_t k = 2; k + 3 <= size && !image.isEmpty(); k += 3)
        image[(data[k] | data[k + 1] << 8) % image.size()] = char(data[k + 2]);
    read(reinterpret_cast<const uint8_t *>(image.constData()), size_t(image.size()));
    return 0;
}
