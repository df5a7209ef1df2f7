// PLACEHOLDER (to be replaced): the two record sets.
#pragma once

#include "masterdb/dao.h"

class CBankSet : public CDaoRecordset {};
class CBranSet : public CDaoRecordset {};
