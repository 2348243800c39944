#pragma once

#include "platform/InstalledApplications.h"

#include <mutex>

namespace platform::sim {

// Installed applications a test lists.
class SimInstalledApplications : public InstalledApplications {
public:
    void setApplications(const QList<InstalledApplication>& applications) {
        std::lock_guard lock(m_mutex);
        m_applications = applications;
    }
    // How often the whole list was read.
    int listings() const {
        std::lock_guard lock(m_mutex);
        return m_listings;
    }

    QList<InstalledApplication> applications() override {
        std::lock_guard lock(m_mutex);
        ++m_listings;
        return m_applications;
    }
    std::optional<InstalledApplication> application(const QString& id) override {
        std::lock_guard lock(m_mutex);
        for (const auto& app : m_applications)
            if (app.id == id)
                return app;
        return std::nullopt;
    }
    std::optional<InstalledApplication> applicationAt(const QString& path) override {
        std::lock_guard lock(m_mutex);
        for (const auto& app : m_applications)
            if (app.path == path)
                return app;
        return std::nullopt;
    }

private:
    mutable std::mutex m_mutex;
    QList<InstalledApplication> m_applications;
    int m_listings = 0;
};

} // namespace platform::sim
