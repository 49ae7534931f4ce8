#pragma once

// The schema toolkit: the database manager (and, beside it, the table manager).

#include "Components/Quarnel/DatabaseManager.h"
