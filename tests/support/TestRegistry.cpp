#include "tests/support/TestRegistry.h"

std::vector<TestRegistry::Entry>& TestRegistry::entries()
{
    static std::vector<Entry> all;
    return all;
}

TestRegistry::Add::Add(const char* name, std::function<std::unique_ptr<QObject>()> make)
{
    entries().push_back({name, std::move(make)});
}
