#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// Test classes register themselves so that one executable runs them all.
struct TestRegistry
{
    struct Entry
    {
        const char* name;
        std::function<std::unique_ptr<QObject>()> make;
    };
    static std::vector<Entry>& entries();

    struct Add
    {
        Add(const char* name, std::function<std::unique_ptr<QObject>()> make);
    };
};

// Put after a test class's definition in its .cpp file.
#define TRELOMAR_TEST(Class) \
    static const TestRegistry::Add trelomarRegister##Class(#Class, [] { return std::make_unique<Class>(); });
