// The suites that may run with their data on a server (KW_TEST_CONNINFO) register the
// server back end at start, as the programs do.
#include "storage/postgres/pg_backend.h"

[[maybe_unused]] static const bool g_serverBackend =
    (kw::storage::pg::registerServerBackend(), true);
