#pragma once

#include <QString>

// trelomar-db init --url URL: the ticket table in an existing database on the shop's server.
int initServer(const QString& url);
