__STDC__ __ZEL__
