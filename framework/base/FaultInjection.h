#pragma once

#include <utility>

// Faults a test run arms on purpose: the next form creation fails, the next database query
// fails. The host session owns one and hands it to the application object and the data
// module, which take a fault where it strikes; an ordinary run arms none.
class FaultInjection {
public:
    void armFormCreation() { m_formCreation = true; }
    // True once after armFormCreation(): the form being created fails.
    bool takeFormCreation() { return std::exchange(m_formCreation, false); }

    void armQuery() { m_query = true; }
    // True once after armQuery(): the query about to open fails.
    bool takeQuery() { return std::exchange(m_query, false); }

private:
    bool m_formCreation = false;
    bool m_query = false;
};
