// smb-hold: keeps files of an SMB server open, for tests, benchmarks and demonstrations.
//
//   smb-hold -u USER -p PASSWORD [-w] [-n TIMES] smb://server/share/path ...
//
// Opens every file TIMES times (default 1), read-only or with -w read-write, then writes
// "held COUNT" to standard output. It keeps the files open until standard input ends or a
// signal ends the process. Meanwhile it answers, one line each, the commands read from
// standard input: "works I" answers "yes" while handle I (0-based, in opening order) still
// works on the server, "no" once it does not.
#include "FileHolder.h"

#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string user;
    std::string password;
    FileHolder::Access access = FileHolder::Access::readOnly;
    long times = 1;
    std::vector<std::string> urls;
};

[[noreturn]] void usage()
{
    std::cerr << "usage: smb-hold -u USER -p PASSWORD [-w] [-n TIMES] smb://server/share/path ...\n";
    std::exit(2);
}

Options parse(int argc, char** argv)
{
    Options options;
    for (int option; (option = getopt(argc, argv, "u:p:wn:")) != -1;) {
        switch (option) {
        case 'u': options.user = optarg; break;
        case 'p': options.password = optarg; break;
        case 'w': options.access = FileHolder::Access::readWrite; break;
        case 'n': {
            char* end = nullptr;
            options.times = std::strtol(optarg, &end, 10);
            if (*end != '\0' || options.times < 1)
                usage();
            break;
        }
        default: usage();
        }
    }
    options.urls.assign(argv + optind, argv + argc);
    if (options.user.empty() || options.urls.empty())
        usage();
    return options;
}

void answer(const FileHolder& holder, const std::string& line)
{
    std::istringstream words(line);
    std::string command;
    std::size_t handle = 0;
    if (words >> command >> handle && command == "works" && handle < holder.size())
        std::cout << (holder.works(handle) ? "yes" : "no") << std::endl;
    else
        std::cout << "error: expected \"works I\" with I below " << holder.size() << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    try {
        FileHolder holder(options.user, options.password);
        for (long round = 0; round < options.times; ++round)
            for (const std::string& url : options.urls)
                holder.open(url, options.access);
        std::cout << "held " << holder.size() << std::endl;
        for (std::string line; std::getline(std::cin, line);)
            answer(holder, line);
    } catch (const std::exception& error) {
        std::cerr << "smb-hold: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
