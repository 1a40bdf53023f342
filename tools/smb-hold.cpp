// smb-hold: keeps files of an SMB server open, for demonstrations and by hand.
//
//   smb-hold -u USER -p PASSWORD [-w] smb://server/share/path ...
//
// Opens every file, read-only or with -w read-write, writes "held COUNT" to standard output
// and keeps the files open until standard input ends or a signal ends the process.
#include "FileHolder.h"

#include <unistd.h>

#include <exception>
#include <iostream>
#include <limits>
#include <string>

int main(int argc, char** argv)
{
    const auto usage = [] {
        std::cerr << "usage: smb-hold -u USER -p PASSWORD [-w] smb://server/share/path ...\n";
        return 2;
    };
    std::string user;
    std::string password;
    auto access = FileHolder::Access::readOnly;
    for (int option; (option = getopt(argc, argv, "u:p:w")) != -1;) {
        switch (option) {
        case 'u': user = optarg; break;
        case 'p': password = optarg; break;
        case 'w': access = FileHolder::Access::readWrite; break;
        default: return usage();
        }
    }
    if (user.empty() || optind >= argc)
        return usage();
    try {
        FileHolder holder(user, password);
        for (int i = optind; i < argc; ++i)
            holder.open(argv[i], access);
        std::cout << "held " << holder.size() << std::endl;
        std::cin.ignore(std::numeric_limits<std::streamsize>::max());
    } catch (const std::exception& error) {
        std::cerr << "smb-hold: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
