#pragma once

// The Tcl bridge as windows use it: in-process interpreters, the slave link server
// and its request clients, and the errors they raise.
#include "etclevalexception.h"
#include "exception.h"
#include "ttcl.h"
#include "txtcl.h"
#include "txtclbase.h"
#include "txtclclient.h"
#include "txtclsocket.h"
