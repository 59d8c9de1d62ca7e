// A scene's arrows: received on the scene's thread, stored and thinned on a thread of their own.
#include "scene/scenearrows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace gyro {

namespace {

bool finite(const Point3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

void SceneArrows::makeRoom() {
    if (!m_buffer) {
        m_buffer = std::make_unique_for_overwrite<Word[]>(kBufferWords);
        m_handed = std::make_unique_for_overwrite<Word[]>(kBufferWords);
        m_received = m_buffer.get();
        m_receivedEnd = m_received + (kBufferWords - kLongestRecord + 1);
        return;
    }
    // The buffer is full: the storing thread takes it once it is done with the one before.
    m_thread.wait();
    std::swap(m_buffer, m_handed);
    m_handedWords = static_cast<std::size_t>(m_received - m_handed.get());
    m_received = m_buffer.get();
    m_receivedEnd = m_received + (kBufferWords - kLongestRecord + 1);
    m_thread.start([this] { storeReceived(m_handed.get(), m_handed.get() + m_handedWords); });
}

void SceneArrows::receiveRecipe(const ArrowRecipe& recipe, const SceneRgb rgb[3]) {
    auto kept = std::make_unique<Recipe>();
    kept->recipe = recipe;
    std::copy(rgb, rgb + 3, kept->rgb);
    next<RecipeRecord>(kRecipeKind).recipe = kept.get();
    m_recipes.push_back(std::move(kept));
}

void SceneArrows::settleNow() {
    m_thread.wait();
    const std::size_t words = static_cast<std::size_t>(m_received - m_buffer.get());
    if (words > 0 && words < kStoreAtOnce * kWords<ArrowsRecord>) {
        storeReceived(m_buffer.get(), m_received);
        m_received = m_buffer.get();
    } else if (words > 0) {
        // Many: handed over like a full buffer (the store's lines are in the storing thread's
        // cache, not this one's), and waited for.
        makeRoom();
        m_thread.wait();
    }
    // Every step is stored: only the newest recipe serves again.
    if (m_recipes.size() > 1) m_recipes.erase(m_recipes.begin(), m_recipes.end() - 1);
}

void SceneArrows::storeReceived(const Word* from, const Word* to) {
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
    auto store = [&](const Point3d& a, const Point3d& b, SceneRgb rgb, std::uint64_t tag) {
        if (!finite(b)) return;
        // The arrows are few enough beside the points to be thinned at once.
        if (m_store.size() >= threshold) [[unlikely]]
            thin();
        const bool head = (tag & SceneSegment::kHead) != 0;
        m_store.append({a, b, rgb, head, tag & ~(SceneSegment::kHead | kKindMask)}, limit);
        ++m_stored;
        ++m_intact;
        if (!any) lo = hi = a, any = true;
        grow(a);
        grow(b);
    };
    for (const Word* w = from; w != to;) {
        Word tag;
        std::memcpy(&tag, w, sizeof tag);
        switch (tag & kKindMask) {
        case kStateKind: {
            const auto& r = *std::launder(reinterpret_cast<const StateRecord*>(w));
            w += kWords<StateRecord>;
            if (!m_recipe || !finite(r.r)) continue;
            const Vecteur3 R(r.r.x, r.r.y, r.r.z);
            StepArrow out[3];
            m_maker.make(m_recipe->recipe, R, {r.v.x, r.v.y, r.v.z}, {r.b.x, r.b.y, r.b.z},
                         m_recipe->recipe.E, r.size, out);
            for (int i = 0; i < 3; ++i)
                if (out[i].drawn) store(r.r, {out[i].x, out[i].y, out[i].z}, m_recipe->rgb[i], tag);
            break;
        }
        case kRecipeKind:
            m_recipe = std::launder(reinterpret_cast<const RecipeRecord*>(w))->recipe;
            w += kWords<RecipeRecord>;
            break;
        default: {
            const auto& r = *std::launder(reinterpret_cast<const ArrowsRecord*>(w));
            w += kWords<ArrowsRecord>;
            if (!finite(r.a)) continue;
            for (std::uint32_t i = 0; i < r.count; ++i) store(r.a, r.b[i], r.rgb[i], tag);
        }
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
    // The steps received next are made with the newest recipe, as if every record before had
    // been stored.
    if (m_recipes.size() > 1) m_recipes.erase(m_recipes.begin(), m_recipes.end() - 1);
    m_recipe = m_recipes.empty() ? nullptr : m_recipes.back().get();
    m_store.clear();
    m_stored = 0;
    m_intact = 0;
    m_thinnings = 0;
    m_box = {};
}

} // namespace gyro
