#include "support/ProcessMemory.h"

#include <QFile>
#include <QList>
#include <sys/resource.h>

namespace ProcessMemory {

qint64 status(const char *field) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith(key))
            continue;
        const QList<QByteArray> parts = line.mid(key.size()).simplified().split(' ');
        bool ok = false;
        const qint64 kib = parts.value(0).toLongLong(&ok);
        return ok && parts.value(1) == "kB" ? kib * 1024 : -1;
    }
    return -1;
}

bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1 && clear.flush();
}

AddressSpaceCap::AddressSpaceCap(qint64 margin) {
    rlimit limit{};
    const qint64 size = status("VmSize");
    if (size < 0 || getrlimit(RLIMIT_AS, &limit) != 0)
        return;
    softLimit_ = limit.rlim_cur;
    const rlim_t wanted = static_cast<rlim_t>(size + margin);
    if (limit.rlim_max != RLIM_INFINITY && wanted > limit.rlim_max)
        return;
    limit.rlim_cur = wanted;
    set_ = setrlimit(RLIMIT_AS, &limit) == 0;
}

AddressSpaceCap::~AddressSpaceCap() {
    rlimit limit{};
    if (!set_ || getrlimit(RLIMIT_AS, &limit) != 0)
        return;
    limit.rlim_cur = softLimit_;
    setrlimit(RLIMIT_AS, &limit);
}

} // namespace ProcessMemory
