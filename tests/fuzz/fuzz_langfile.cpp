// A language file's bytes, decoded and parsed as the program reads it.
#include "base/TextList.h"
#include "lang/LangFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const LangFile file = parseLangFile(TextList::split(TextList::decode(bytes)));
    // Whatever the sections hold, the name rule and the extras stay usable.
    if (file.name)
        (void)isCzechLangName(*file.name);
    for (auto it = file.extra.cbegin(); it != file.extra.cend(); ++it)
        (void)trimControl(it.value());
    return 0;
}
