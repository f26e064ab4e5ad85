#include "etclevalexception.h"
