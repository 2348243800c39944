#include "SimLoginItems.h"

namespace platform::sim {

LoginItems::Change SimLoginItems::registerApp() {
    ++m_registerCount;
    if (m_failure)
        return Change::failure(*m_failure);
    m_status = m_afterRegister;
    return Change::success();
}

LoginItems::Change SimLoginItems::unregisterApp() {
    ++m_unregisterCount;
    if (m_failure)
        return Change::failure(*m_failure);
    m_status = Status::NotRegistered;
    return Change::success();
}

} // namespace platform::sim
