#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/String.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// Key-frame tables: a float key (a time) mapped to a value from sorted key frames, stepped, interpolated
// linearly or eased in and out.
namespace BaseLib
{

// Lets an owner handle tables of any value type alike.
class CGenericLookUpTable
{
public:
    virtual ~CGenericLookUpTable() = default;
    virtual void Clear() = 0;
    // Removes the first pair whose key equals key exactly; nothing when there is none.
    virtual void RemoveKey(float key) = 0;
    virtual std::int32_t GetKeyCount() const = 0;
    // The key at index in ascending order; 0 for an index outside the table.
    virtual float GetKey(std::int32_t index) const = 0;
    // The smallest and largest keys; 0 for an empty table.
    virtual float GetFirstKey() const = 0;
    virtual float GetLastKey() const = 0;
};

// How two values of a type are interpolated; types without an Interpolate are step-only (bool, strings).
template <typename T> struct LookUpInterpolation
{
    static constexpr bool Interpolates = false;
};

// (1 - f) * a + f * b in double, truncated toward zero; saturates, NaN gives 0.
template <> struct LookUpInterpolation<int>
{
    static constexpr bool Interpolates = true;
    static int Interpolate(int a, int b, float f);
};

// (1 - f) * a + f * b in double, rounded to float.
template <> struct LookUpInterpolation<float>
{
    static constexpr bool Interpolates = true;
    static float Interpolate(float a, float b, float f);
};

template <> struct LookUpInterpolation<double>
{
    static constexpr bool Interpolates = true;
    static double Interpolate(double a, double b, float f);
};

// Per component CPoint::Scale(b, f) + CPoint::Scale(a, 1 - f): each product rounded half up first.
template <> struct LookUpInterpolation<CPoint>
{
    static constexpr bool Interpolates = true;
    static CPoint Interpolate(const CPoint& a, const CPoint& b, float f);
};

template <> struct LookUpInterpolation<CSize>
{
    static constexpr bool Interpolates = true;
    static CSize Interpolate(const CSize& a, const CSize& b, float f);
};

// Per component (b * f) + (a * (1 - f)), each product rounded to float, then added.
template <> struct LookUpInterpolation<CVector2>
{
    static constexpr bool Interpolates = true;
    static CVector2 Interpolate(const CVector2& a, const CVector2& b, float f);
};

template <> struct LookUpInterpolation<CVector3>
{
    static constexpr bool Interpolates = true;
    static CVector3 Interpolate(const CVector3& a, const CVector3& b, float f);
};

template <> struct LookUpInterpolation<CVector4>
{
    static constexpr bool Interpolates = true;
    static CVector4 Interpolate(const CVector4& a, const CVector4& b, float f);
};

// b.Scale(f).Add(a.Scale(1 - f)): so a factor of 1 gives 254 for a channel of 255.
template <> struct LookUpInterpolation<CColor>
{
    static constexpr bool Interpolates = true;
    static CColor Interpolate(const CColor& a, const CColor& b, float f);
};

template <typename T> class CLookUpTable : public CGenericLookUpTable
{
public:
    // 0 step, 1 linear, 2 quadratic ease in and out; any other value interpolates linearly.
    // Step-only types ignore it.
    enum : std::int32_t
    {
        Step = 0,
        Linear = 1,
        Ease = 2,
    };

    struct KeyFrame
    {
        float key;
        T value;
    };

    explicit CLookUpTable(std::int32_t mode = Linear) : m_mode(mode) {}

    std::int32_t GetMode() const { return m_mode; }
    void SetMode(std::int32_t mode) { m_mode = mode; }

    void Clear() override { m_keys.clear(); }
    void RemoveKey(float key) override
    {
        for (auto it = m_keys.begin(); it != m_keys.end(); ++it)
        {
            if (it->key == key)
            {
                m_keys.erase(it);
                return;
            }
        }
    }
    std::int32_t GetKeyCount() const override { return static_cast<std::int32_t>(m_keys.size()); }
    float GetKey(std::int32_t index) const override
    {
        return index >= 0 && index < GetKeyCount() ? m_keys[static_cast<std::size_t>(index)].key : 0.0f;
    }
    float GetFirstKey() const override { return m_keys.empty() ? 0.0f : m_keys.front().key; }
    float GetLastKey() const override { return m_keys.empty() ? 0.0f : m_keys.back().key; }

    // Inserts in ascending key order; an equal key has its value replaced, never duplicated.
    void AddKey(float key, const T& value)
    {
        auto it = m_keys.begin();
        for (; it != m_keys.end(); ++it)
        {
            if (it->key == key)
            {
                it->value = value;
                return;
            }
            if (it->key > key)
            {
                break;
            }
        }
        m_keys.insert(it, KeyFrame{key, value});
    }

    // The value at t. With clamp, t before the first key gives the first value and t after the last key
    // the last value; without, t outside is extrapolated from the two nearest pairs (step mode: the first
    // value below, the second-to-last above). An empty table gives T().
    T GetValue(float t, bool clamp) const requires LookUpInterpolation<T>::Interpolates
    {
        return Evaluate(t, clamp, m_mode);
    }

    // Step-only types always step and clamp. An empty table gives T().
    T GetValue(float t) const requires(!LookUpInterpolation<T>::Interpolates)
    {
        return Evaluate(t, true, Step);
    }
    // Same as GetValue(t).
    T GetValueAt(float t) const requires(!LookUpInterpolation<T>::Interpolates) { return GetValue(t); }

    const std::vector<KeyFrame>& GetKeyFrames() const { return m_keys; }

private:
    T Evaluate(float t, bool clamp, std::int32_t mode) const;

    std::int32_t m_mode;
    std::vector<KeyFrame> m_keys;
};

template <typename T> T CLookUpTable<T>::Evaluate(float t, bool clamp, std::int32_t mode) const
{
    const std::size_t n = m_keys.size();
    if (n == 0)
    {
        return T();
    }
    if (clamp)
    {
        if (t < m_keys.front().key)
        {
            return m_keys.front().value;
        }
        if (t > m_keys.back().key)
        {
            return m_keys.back().value;
        }
    }
    // lo ends on the last key not above t (or the first key), hi = lo + 1.
    std::size_t lo = 0;
    std::size_t hi = n - 1;
    while (hi - lo > 1)
    {
        const std::size_t mid = (lo + hi) / 2;
        if (t < m_keys[mid].key)
        {
            hi = mid;
        }
        else
        {
            lo = mid;
        }
    }
    if (hi == lo)
    {
        return m_keys[lo].value;
    }
    if (mode == Step)
    {
        return t == m_keys[hi].key ? m_keys[hi].value : m_keys[lo].value;
    }
    if constexpr (LookUpInterpolation<T>::Interpolates)
    {
        const double lower = m_keys[lo].key;
        float f = static_cast<float>((t - lower) / (m_keys[hi].key - lower));
        if (mode == Ease)
        {
            const double g = f;
            f = static_cast<float>(g < 0.5 ? 2.0 * g * g : 1.0 - 2.0 * (1.0 - g) * (1.0 - g));
        }
        return LookUpInterpolation<T>::Interpolate(m_keys[lo].value, m_keys[hi].value, f);
    }
    else
    {
        return m_keys[lo].value;
    }
}

} // namespace BaseLib
