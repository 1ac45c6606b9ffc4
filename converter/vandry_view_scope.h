// Which of the chosen views a run can make: a view is left out when its query reads a table or
// saved query the run did not convert and that is not itself one of the views being made.
#pragma once

#include <functional>
#include <string>

#include "UDB/udb_database.h"

// The views of `views` to hand to the destination, in their order. A view whose query reads a
// name that is neither `converted` nor another view kept here is left out and logged, and so is
// every view over a left-out one. A query the views step refuses anyway (no select statement)
// and a text whose sources cannot be read are kept: the views step reports them as before.
udb_database::view_list vandry_views_in_scope(const udb_database::view_list& views,
                                              const std::function<bool(const std::wstring&)>& converted);
