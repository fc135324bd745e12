#pragma once

/** One row of the engine's parameter table: the range, the default, the curve
    that maps a normalised value onto a real one, and the last values set.

    A plain record; the engine fills it with `QuillmorChorusEngine::initParameter`
    and is the only writer of `value` and `normalised` afterwards.
*/
class QuillmorEngineParameter
{
public:
    /** Curve types understood by `updateValue`. */
    enum Curve : int
    {
        linearCurve = 0,   ///< minimum + (maximum - minimum) x n
        powerCurve = 1,    ///< minimum + (maximum - minimum) x n^(1/skew)
        bipolarCurve = 2,  ///< +-maximum x |2n - 1|^(1/skew), 0 at n = 0.5
        steppedCurve = 3   ///< (maximum - minimum) x n, the minimum not added
    };

    /** Real value held before the first set. */
    static constexpr float unsetValue = -10000.0f;
    /** Normalised value held before the first set. */
    static constexpr float unsetNormalised = -1.0f;

    /** Recomputes `value` from `normalised` with the given curve type (0 to 3);
        any other curve type leaves `value` as it is. No clamping. */
    void updateValue (int curveType) noexcept;

    float minimum = 0.0f;       ///< lowest real value of the range
    float maximum = 0.0f;       ///< highest real value of the range
    float defaultValue = 0.0f;  ///< default real value
    float value = unsetValue;   ///< current real value (unit of the parameter)
    float normalised = unsetNormalised; ///< last normalised value set, -1 before the first
    int curve = linearCurve;    ///< curve type 0 to 3
    float skew = 1.0f;          ///< exponent control of the power curves
};
