__STDC__ __ZEL__ __LINE__ __FILE__ __Xmsdos__ A B
