#include "store/AccessSignature.h"

#include <QFile>

namespace AccessSignature {

bool matches(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head.size() == 19 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4))
        && (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

} // namespace AccessSignature
