#include "app/Application.h"

#include <QtGlobal>

void Application::initResources()
{
    Q_INIT_RESOURCE(resources);
}
