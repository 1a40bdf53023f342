// list-open-files: one enumeration through NetApiOpenFileSource, for tests and by hand.
//
//   list-open-files SERVER
//
// Credentials come as for Tarnwick itself (Samba's conventions). Writes "status N", then one
// line per open file: id, permissions, user and path, separated by tabs ("-" when absent).
// Exits 0 when the status is 0, 1 otherwise.
#include "NetApiOpenFileSource.h"

#include <QString>

#include <iostream>
#include <optional>

namespace {

std::string shown(const std::optional<QString>& text)
{
    return text ? text->toStdString() : std::string("-");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: list-open-files SERVER\n";
        return 2;
    }
    NetApiOpenFileSource source;
    const OpenFileList list = source.enumerate(QLatin1String("\\\\") + QString::fromLocal8Bit(argv[1]));
    std::cout << "status " << list.status << '\n';
    for (const OpenFileRecord& record : list.records)
        std::cout << record.id << '\t' << record.permissions << '\t' << shown(record.userName) << '\t'
                  << shown(record.pathName) << '\n';
    return list.status == 0 ? 0 : 1;
}
