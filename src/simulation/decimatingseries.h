// A series of samples thinned evenly to a budget, by whole pieces of consecutive samples.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace gyro {

/// Samples that arrive one after another (the steps of a run, the readings of a plot), kept
/// within a budget. Up to the budget every sample is kept. Past it the series halves: of its
/// pieces of `pieceLength()` consecutive samples every other one is dropped (the first piece
/// stays), and from then on one piece is kept in every second (fourth, ...) piece that arrives.
/// So the series spans the whole run evenly in bounded memory; with pieces of one sample it is
/// plain decimation. Samples live in chunks of ChunkSize, so that a growing series never moves
/// what it holds; the chunks are shared with snapshots, which read the series as it stood when
/// they were taken without copying it.
template <typename Sample, std::size_t ChunkSize = (std::size_t{1} << 16)> class DecimatingSeries {
    using Chunk = std::vector<Sample>;

public:
    /// The series as it stood when taken: later samples, halvings and clears of the series leave
    /// it unchanged (a halving copies the chunks a snapshot still holds before it rewrites them).
    class Snapshot {
    public:
        Snapshot() = default;
        std::size_t size() const { return m_size; }
        const Sample& operator[](std::size_t i) const {
            return (*m_chunks[i / ChunkSize])[i % ChunkSize];
        }
        bool startsPiece(std::size_t i) const { return i > 0 && m_stride > 1 && i % m_piece == 0; }

    private:
        friend class DecimatingSeries;
        std::vector<std::shared_ptr<const Chunk>> m_chunks;
        std::size_t m_size = 0;
        std::size_t m_piece = 1;
        std::size_t m_stride = 1;
    };

    /// The budget is rounded up to a whole even number of pieces, so that a halving keeps whole
    /// pieces and the incoming sample starts a kept piece of the new spacing.
    DecimatingSeries(std::size_t budget, std::size_t piece)
        : m_piece(std::max<std::size_t>(piece, 1)), m_budget(evenPieces(budget, m_piece)) {}

    /// Offers the next sample; false when the thinning drops it.
    bool add(const Sample& s) {
        if (m_skip > 0) {
            --m_skip;
            return false;
        }
        if (m_size >= m_budget) halve();
        if (m_chunks.empty() || m_chunks.back()->size() == ChunkSize)
            m_chunks.push_back(newChunk());
        // Room for the whole chunk is reserved: appending never moves what a snapshot reads.
        m_chunks.back()->push_back(s);
        ++m_size;
        // Once thinned, a whole piece is kept, then the samples of the dropped pieces skipped.
        if (m_stride > 1 && ++m_inPiece == m_piece) {
            m_inPiece = 0;
            m_skip = (m_stride - 1) * m_piece;
        }
        return true;
    }

    void clear() {
        m_chunks.clear();
        m_spare.clear();
        m_size = 0;
        m_stride = 1;
        m_skip = 0;
        m_inPiece = 0;
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const Sample& operator[](std::size_t i) const {
        return (*m_chunks[i / ChunkSize])[i % ChunkSize];
    }
    /// The series as it stands now, sharing its chunks (no sample is copied).
    Snapshot snapshot() const {
        Snapshot view;
        view.m_chunks.assign(m_chunks.begin(), m_chunks.end());
        view.m_size = m_size;
        view.m_piece = m_piece;
        view.m_stride = m_stride;
        return view;
    }
    /// One piece kept for every `stride()` pieces offered.
    std::size_t stride() const { return m_stride; }
    std::size_t pieceLength() const { return m_piece; }
    std::size_t budget() const { return m_budget; }
    /// Whether sample i follows a gap (samples between it and sample i - 1 were dropped).
    bool startsPiece(std::size_t i) const { return i > 0 && m_stride > 1 && i % m_piece == 0; }

private:
    static std::size_t evenPieces(std::size_t budget, std::size_t piece) {
        const std::size_t pair = 2 * piece;
        budget = std::max(budget, pair);
        return (budget + pair - 1) / pair * pair;
    }

    // An empty chunk with room for ChunkSize samples: one a halving emptied when there is one.
    std::shared_ptr<Chunk> newChunk() {
        if (!m_spare.empty()) {
            std::shared_ptr<Chunk> chunk = std::move(m_spare.back());
            m_spare.pop_back();
            return chunk;
        }
        auto chunk = std::make_shared<Chunk>();
        chunk->reserve(ChunkSize);
        return chunk;
    }

    // Keeps pieces 0, 2, 4, ...: the series keeps its first sample and an even spacing.
    void halve() {
        // The halving rewrites the chunks in place: a chunk a snapshot still reads is copied
        // first, so that the snapshot keeps the samples it was taken with.
        for (auto& chunk : m_chunks) {
            if (chunk.use_count() > 1) {
                auto own = newChunk();
                own->assign(chunk->begin(), chunk->end());
                chunk = std::move(own);
            }
        }
        std::size_t kept = 0;
        for (std::size_t first = 0; first < m_size; first += 2 * m_piece) {
            const std::size_t end = std::min(m_size, first + m_piece);
            for (std::size_t i = first; i < end; ++i) {
                (*m_chunks[kept / ChunkSize])[kept % ChunkSize] = (*this)[i];
                ++kept;
            }
        }
        m_size = kept;
        // The chunks emptied (half of them) wait for the samples to come: a series that keeps
        // halving reuses its memory instead of having fresh pages cleared for every chunk, and
        // holds no more than it did when full.
        for (std::size_t c = (kept + ChunkSize - 1) / ChunkSize; c < m_chunks.size(); ++c) {
            m_chunks[c]->clear();
            m_spare.push_back(std::move(m_chunks[c]));
        }
        m_chunks.resize((kept + ChunkSize - 1) / ChunkSize);
        if (!m_chunks.empty()) m_chunks.back()->resize(kept - (m_chunks.size() - 1) * ChunkSize);
        m_stride *= 2;
        m_inPiece = 0;
    }

    std::vector<std::shared_ptr<Chunk>> m_chunks;
    std::vector<std::shared_ptr<Chunk>> m_spare; // emptied by a halving, owned by no snapshot
    std::size_t m_size = 0;
    std::size_t m_piece;
    std::size_t m_budget;
    std::size_t m_stride = 1;
    std::size_t m_skip = 0;
    std::size_t m_inPiece = 0; // samples of the current piece kept so far
};

} // namespace gyro
