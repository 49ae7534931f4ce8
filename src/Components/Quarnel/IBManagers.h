#pragma once

// The schema toolkit: the database manager and the table manager.

#include "Components/Quarnel/DatabaseManager.h"
#include "Components/Quarnel/TableManager.h"
