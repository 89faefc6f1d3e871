/* A number scanner written as a state machine whose states are labels and whose moves are gotos. */
enum number_kind { NOT_A_NUMBER, INTEGER, DECIMAL, SCIENTIFIC };

enum number_kind scan_number(const char *s)
{
    enum number_kind kind = INTEGER;
start:
    if (*s == '+' || *s == '-')
        s++;
    if (*s >= '0' && *s <= '9')
        goto integer_part;
    if (*s == '.')
        goto leading_dot;
    return NOT_A_NUMBER;
leading_dot:
    s++;
    if (*s < '0' || *s > '9')
        return NOT_A_NUMBER;
    kind = DECIMAL;
    goto fraction;
integer_part:
    while (*s >= '0' && *s <= '9')
        s++;
    if (*s == '.') {
        s++;
        kind = DECIMAL;
        goto fraction;
    }
    goto exponent;
fraction:
    while (*s >= '0' && *s <= '9')
        s++;
exponent:
    if (*s == 'e' || *s == 'E') {
        s++;
        if (*s == '+' || *s == '-')
            s++;
        if (*s < '0' || *s > '9')
            return NOT_A_NUMBER;
        while (*s >= '0' && *s <= '9')
            s++;
        kind = SCIENTIFIC;
    }
    if (*s != '\0')
        return NOT_A_NUMBER;
    return kind;
    goto start;
}

int main(void)
{
    return scan_number("42") == INTEGER && scan_number("-3.5") == DECIMAL && scan_number(".5e-3") == SCIENTIFIC
        && scan_number("1e") == NOT_A_NUMBER && scan_number("abc") == NOT_A_NUMBER && scan_number("7.") == DECIMAL ? 0 : 1;
}
