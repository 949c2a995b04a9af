#include "platform/gfxkit/effect/EffectExpression.h"

#include <cctype>

namespace Platform::GfxKit
{
namespace
{

// Recursive descent over the text, one precedence level per function.
class ExpressionParser
{
public:
    ExpressionParser(std::string_view text, bool identifiersAreZero)
        : text_(text), identifiersAreZero_(identifiersAreZero)
    {}

    bool Run(std::int64_t& value, std::string& error)
    {
        value = Conditional();
        SkipSpace();
        if (error_.empty() && pos_ < text_.size())
        {
            Fail("unexpected '" + std::string(1, text_[pos_]) + "' in expression");
        }
        error = error_;
        return error_.empty();
    }

private:
    static std::int64_t Wrap(std::uint64_t bits) { return static_cast<std::int64_t>(bits); }
    static std::uint64_t Bits(std::int64_t value) { return static_cast<std::uint64_t>(value); }

    void Fail(const std::string& message)
    {
        if (error_.empty())
        {
            error_ = message;
        }
        pos_ = text_.size();
    }

    void SkipSpace()
    {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
        {
            ++pos_;
        }
    }

    // Consumes the operator when it comes next and is not the start of a longer one.
    bool Take(std::string_view op)
    {
        SkipSpace();
        if (text_.substr(pos_, op.size()) != op)
        {
            return false;
        }
        if (op.size() == 1 && pos_ + 1 < text_.size())
        {
            const char next = text_[pos_ + 1];
            const char c = op[0];
            if ((c == '<' || c == '>') && (next == c || next == '='))
            {
                return false;
            }
            if ((c == '&' || c == '|') && next == c)
            {
                return false;
            }
            if ((c == '!' || c == '=') && next == '=')
            {
                return false;
            }
        }
        pos_ += op.size();
        return true;
    }

    std::int64_t Conditional()
    {
        const std::int64_t condition = LogicalOr();
        if (!Take("?"))
        {
            return condition;
        }
        const std::int64_t whenTrue = Conditional();
        if (!Take(":"))
        {
            Fail("missing ':' in expression");
            return 0;
        }
        const std::int64_t whenFalse = Conditional();
        return condition ? whenTrue : whenFalse;
    }

    std::int64_t LogicalOr()
    {
        std::int64_t value = LogicalAnd();
        while (Take("||"))
        {
            const std::int64_t right = LogicalAnd();
            value = (value || right) ? 1 : 0;
        }
        return value;
    }

    std::int64_t LogicalAnd()
    {
        std::int64_t value = BitOr();
        while (Take("&&"))
        {
            const std::int64_t right = BitOr();
            value = (value && right) ? 1 : 0;
        }
        return value;
    }

    std::int64_t BitOr()
    {
        std::int64_t value = BitXor();
        while (Take("|"))
        {
            value = Wrap(Bits(value) | Bits(BitXor()));
        }
        return value;
    }

    std::int64_t BitXor()
    {
        std::int64_t value = BitAnd();
        while (Take("^"))
        {
            value = Wrap(Bits(value) ^ Bits(BitAnd()));
        }
        return value;
    }

    std::int64_t BitAnd()
    {
        std::int64_t value = Equality();
        while (Take("&"))
        {
            value = Wrap(Bits(value) & Bits(Equality()));
        }
        return value;
    }

    std::int64_t Equality()
    {
        std::int64_t value = Relational();
        for (;;)
        {
            if (Take("=="))
            {
                value = value == Relational() ? 1 : 0;
            }
            else if (Take("!="))
            {
                value = value != Relational() ? 1 : 0;
            }
            else
            {
                return value;
            }
        }
    }

    std::int64_t Relational()
    {
        std::int64_t value = Shift();
        for (;;)
        {
            if (Take("<="))
            {
                value = value <= Shift() ? 1 : 0;
            }
            else if (Take(">="))
            {
                value = value >= Shift() ? 1 : 0;
            }
            else if (Take("<"))
            {
                value = value < Shift() ? 1 : 0;
            }
            else if (Take(">"))
            {
                value = value > Shift() ? 1 : 0;
            }
            else
            {
                return value;
            }
        }
    }

    // Shift counts are taken modulo 64, so no count is undefined.
    std::int64_t Shift()
    {
        std::int64_t value = Additive();
        for (;;)
        {
            if (Take("<<"))
            {
                value = Wrap(Bits(value) << (Bits(Additive()) & 63));
            }
            else if (Take(">>"))
            {
                value = value >> (Bits(Additive()) & 63);
            }
            else
            {
                return value;
            }
        }
    }

    std::int64_t Additive()
    {
        std::int64_t value = Multiplicative();
        for (;;)
        {
            if (Take("+"))
            {
                value = Wrap(Bits(value) + Bits(Multiplicative()));
            }
            else if (Take("-"))
            {
                value = Wrap(Bits(value) - Bits(Multiplicative()));
            }
            else
            {
                return value;
            }
        }
    }

    std::int64_t Multiplicative()
    {
        std::int64_t value = Unary();
        for (;;)
        {
            const bool multiply = Take("*");
            const bool divide = !multiply && Take("/");
            const bool remainder = !multiply && !divide && Take("%");
            if (!multiply && !divide && !remainder)
            {
                return value;
            }
            const std::int64_t right = Unary();
            if (multiply)
            {
                value = Wrap(Bits(value) * Bits(right));
            }
            else if (right == 0)
            {
                Fail("division by zero in expression");
                return 0;
            }
            else if (right == -1)
            {
                // The one quotient that overflows wraps instead.
                value = divide ? Wrap(0 - Bits(value)) : 0;
            }
            else
            {
                value = divide ? value / right : value % right;
            }
        }
    }

    std::int64_t Unary()
    {
        if (Take("-"))
        {
            return Wrap(0 - Bits(Unary()));
        }
        if (Take("+"))
        {
            return Unary();
        }
        if (Take("!"))
        {
            return Unary() ? 0 : 1;
        }
        if (Take("~"))
        {
            return Wrap(~Bits(Unary()));
        }
        return Primary();
    }

    std::int64_t Primary()
    {
        SkipSpace();
        if (pos_ >= text_.size())
        {
            Fail("expression ends too early");
            return 0;
        }
        const char c = text_[pos_];
        if (c == '(')
        {
            ++pos_;
            const std::int64_t value = Conditional();
            if (!Take(")"))
            {
                Fail("missing ')' in expression");
            }
            return value;
        }
        if (std::isdigit(static_cast<unsigned char>(c)))
        {
            return Number();
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
        {
            const std::size_t start = pos_;
            while (pos_ < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
            {
                ++pos_;
            }
            if (!identifiersAreZero_)
            {
                Fail("'" + std::string(text_.substr(start, pos_ - start)) + "' is not a constant");
            }
            return 0;
        }
        Fail("unexpected '" + std::string(1, c) + "' in expression");
        return 0;
    }

    std::int64_t Number()
    {
        std::uint64_t value = 0;
        bool hex = false;
        if (text_[pos_] == '0' && pos_ + 1 < text_.size() &&
            (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X'))
        {
            hex = true;
            pos_ += 2;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size())
        {
            const char c = text_[pos_];
            int digit = -1;
            if (c >= '0' && c <= '9')
            {
                digit = c - '0';
            }
            else if (hex && c >= 'a' && c <= 'f')
            {
                digit = c - 'a' + 10;
            }
            else if (hex && c >= 'A' && c <= 'F')
            {
                digit = c - 'A' + 10;
            }
            if (digit < 0)
            {
                break;
            }
            value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
            ++pos_;
        }
        if (pos_ == start || (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                                      text_[pos_] == '_' || text_[pos_] == '.')))
        {
            Fail("malformed number in expression");
            return 0;
        }
        return Wrap(value);
    }

    std::string_view text_;
    bool identifiersAreZero_;
    std::size_t pos_ = 0;
    std::string error_;
};

} // namespace

bool EvaluateExpression(std::string_view text, bool identifiersAreZero, std::int64_t& value,
                        std::string& error)
{
    ExpressionParser parser(text, identifiersAreZero);
    return parser.Run(value, error);
}

} // namespace Platform::GfxKit
