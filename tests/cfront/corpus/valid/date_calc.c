/* Calendar arithmetic: leap years, day of year, day of week and days between dates. */
struct date { int year; unsigned char month, day; };

static const unsigned char days_in_month[2][13] = {
    { 0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 },
    { 0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 }
};

int is_leap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int day_of_year(const struct date *d)
{
    int i, leap = is_leap(d->year), n = d->day;
    for (i = 1; i < d->month; i++)
        n += days_in_month[leap][i];
    return n;
}

long days_since_epoch(const struct date *d)
{
    long days = 0;
    int y;
    for (y = 1970; y < d->year; y++)
        days += 365 + is_leap(y);
    return days + day_of_year(d) - 1;
}

int weekday(const struct date *d)
{
    return (int)((days_since_epoch(d) + 4) % 7);
}

int valid_date(const struct date *d)
{
    return d->month >= 1 && d->month <= 12 && d->day >= 1
        && d->day <= days_in_month[is_leap(d->year)][d->month];
}

int main(void)
{
    struct date a = { 2000, 2, 29 }, b = { 2024, 12, 31 }, bad = { 1900, 2, 29 };
    return valid_date(&a) && !valid_date(&bad) && day_of_year(&b) == 366
        && days_since_epoch(&a) == 11016L && weekday(&a) == 2 ? 0 : 1;
}
