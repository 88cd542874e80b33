#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "restore/CommandLine.h"
#include "restore/Paths.h"
#include "restore/RestoreProgram.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        // Run from the backup as ./Restore.exe, the backup is the program's own folder.
        std::string self;
        const std::string programFolder =
            Paths::Real("/proc/self/exe", self) ? Paths::Parent(self) : std::string();
        RestoreProgram program(std::cin, std::cout, std::cerr);
        const int status = program.Run(CommandLine::Parse(arguments), programFolder);
        std::cout.flush();
        return status;
    } catch (const std::bad_alloc&) {
        // A hostile catalogue may ask for more memory than there is: an abort would leave a
        // temporary file behind, while unwinding removes it.
        std::cout.flush();
        std::cerr << "Restore.exe : mémoire insuffisante, restauration arrêtée\n";
        return RestoreProgram::kUsage;
    }
}
