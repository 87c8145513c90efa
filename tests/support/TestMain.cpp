// Runs every registered test class; "-class Name" runs one of them and passes
// the remaining arguments to Qt Test.
#include "tests/support/TestRegistry.h"

#include "ui/shell/TApplication.h"

#include <QLocale>
#include <QTest>

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char* argv[])
{
    // Unbuffered, so a suite that crashes still shows how far it came (a
    // Windows process writing to a pipe buffers everything until it exits).
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    TApplication app(argc, argv);
    // The shop's locale: Czech dates, comma decimals, crowns.
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));

    const char* only = nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (args.size() >= 3 && std::strcmp(args[1], "-class") == 0) {
        only = args[2];
        args.erase(args.begin() + 1, args.begin() + 3);
    }
    int failed = 0;
    int ran = 0;
    for (const auto& entry : TestRegistry::entries()) {
        if (only && std::strcmp(only, entry.name) != 0)
            continue;
        auto test = entry.make();
        failed += QTest::qExec(test.get(), int(args.size()), args.data());
        ++ran;
    }
    if (only && ran == 0) {
        std::fprintf(stderr, "No test class named %s\n", only);
        return 1;
    }
    const int code = failed == 0 ? 0 : 1;
#ifdef _WIN32
    // Under Wine a suite whose windows loaded the system's COM threads can hang
    // for good while the C++ runtime unloads; every result is printed by now.
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(code));
#endif
    return code;
}
