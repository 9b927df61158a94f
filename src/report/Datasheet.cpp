#include "report/Datasheet.h"
