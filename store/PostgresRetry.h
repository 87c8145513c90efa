#pragma once

// The back end's retry of one operation, for the files that make up PostgresBackend.

#include "base/AppError.h"
#include "store/PostgresBackend.h"

#include <QScopeGuard>

#include <libpq-fe.h>

// Runs `body` once more on a fresh connection when the line turns out dead.
template <class Body> auto PostgresBackend::withRetry(Body body) -> decltype(body())
{
    for (int attempt = 0;; ++attempt) {
        ensureConnected();
        try {
            const qint64 before = m_token;
            // A notification that came with an answer is in no socket read: said here, after the operation.
            const auto heard = qScopeGuard([this, before] {
                readNotifications();
                if (m_token != before)
                    announce();
            });
            return body();
        } catch (const AppError&) {
            // libpq may take a dead line for a live one until it reads from it once more.
            if (attempt > 0 || m_bulk || (PQstatus(m_conn) == CONNECTION_OK && PQconsumeInput(m_conn)))
                throw;
        }
    }
}
