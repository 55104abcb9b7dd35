#include "data/errorkind.h"

#include "data/dberror.h"

#include <ibase.h>

#include <algorithm>
#include <initializer_list>

namespace errorkind {

namespace {

bool hasAny(const DbError &error, std::initializer_list<qint64> codes) {
    return std::any_of(error.codes().begin(), error.codes().end(), [&](qint64 code) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    });
}

} // namespace

bool isConflict(const DbError &error) {
    return hasAny(error, {isc_deadlock, isc_update_conflict, isc_lock_conflict, isc_lock_timeout});
}

bool isConnectionLost(const DbError &error) {
    return hasAny(error, {isc_network_error, isc_net_read_err, isc_net_write_err,
                          isc_lost_db_connection, isc_conn_lost, isc_att_shutdown});
}

} // namespace errorkind
