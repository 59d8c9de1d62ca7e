// A scene's arrows: received on the scene's thread, stored and thinned on a thread of their own.
#include "scene/scene3d.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

bool finite(const Point3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

void SceneArrows::makeRoom() {
    if (!m_buffer) {
        m_buffer = std::make_unique_for_overwrite<Received[]>(kBatch);
        m_handed = std::make_unique_for_overwrite<Received[]>(kBatch);
        m_received = m_buffer.get();
        m_receivedEnd = m_received + kBatch;
        return;
    }
    // The buffer is full: the storing thread takes it once it is done with the one before.
    m_thread.wait();
    std::swap(m_buffer, m_handed);
    m_handedCount = static_cast<std::size_t>(m_received - m_handed.get());
    m_received = m_buffer.get();
    m_receivedEnd = m_received + kBatch;
    m_thread.start([this] { storeReceived(m_handed.get(), m_handed.get() + m_handedCount); });
}

void SceneArrows::settleNow() {
    m_thread.wait();
    const std::size_t count = static_cast<std::size_t>(m_received - m_buffer.get());
    if (count == 0) return;
    if (count < kStoreAtOnce) {
        storeReceived(m_buffer.get(), m_received);
        m_received = m_buffer.get();
        return;
    }
    // Many: handed over like a full buffer (the store's lines are in the storing thread's
    // cache, not this one's), and waited for.
    makeRoom();
    m_thread.wait();
}

void SceneArrows::storeReceived(const Received* from, const Received* to) {
    // Arrows received in this order, stored as such: the result is the same whether they were
    // handed over or stored at once.
    const std::size_t limit = kBufferBudgets * m_budget;
    const std::size_t threshold = m_budget - m_budget / 8;
    Point3d lo{}, hi{};
    bool any = false;
    auto grow = [&](const Point3d& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    };
    for (const Received* r = from; r != to; ++r) {
        if (!finite(r->a)) continue;
        const bool head = (r->groupHead & SceneSegment::kHead) != 0;
        const std::uint64_t group = r->groupHead & ~SceneSegment::kHead;
        for (std::uint32_t i = 0; i < r->count; ++i) {
            if (!finite(r->b[i])) continue;
            // The arrows are few enough beside the points to be thinned at once.
            if (m_store.size() >= threshold) [[unlikely]]
                thin();
            m_store.append({r->a, r->b[i], r->rgb[i], head, group}, limit);
            ++m_stored;
            ++m_intact;
            if (!any) lo = hi = r->a, any = true;
            grow(r->a);
            grow(r->b[i]);
        }
    }
    if (any) {
        m_box.add(lo);
        m_box.add(hi);
    }
}

void SceneArrows::thin() {
    // Arrows drawn between the same two points (B, E, velocity) form a group: one group in
    // kKeepOneIn of the oldest half stays, so that the kept steps still show all their arrows.
    // Thinning moves the store's start forward; the buffer's room beyond the budget lets several
    // thinnings pass before the arrows move back to its start.
    const ArrowThinning t =
        m_store.thin(m_budget, m_budget - m_budget / 8, kBufferBudgets * m_budget);
    if (t.before == 0) return;
    m_intact = std::min({m_intact, t.before - t.half - t.droppedNewer, m_store.size()});
    ++m_thinnings;
    ++m_layoutChanges;
}

void SceneArrows::setBudget(std::size_t budget) {
    settle();
    m_budget = budget;
    while (m_store.size() > m_budget) {
        const std::size_t before = m_store.size();
        thin();
        if (m_store.size() >= before) break;
    }
}

void SceneArrows::clear() {
    m_thread.wait();
    m_received = m_buffer.get();
    m_store.clear();
    m_stored = 0;
    m_intact = 0;
    m_thinnings = 0;
    m_box = {};
}

} // namespace gyro
