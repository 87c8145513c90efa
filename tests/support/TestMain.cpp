// Runs every registered test class; "-class Name" runs one of them and passes
// the remaining arguments to Qt Test.
#include "tests/support/TestRegistry.h"

#include "ui/TApplication.h"

#include <QLocale>
#include <QTest>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
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
    return failed == 0 ? 0 : 1;
}
