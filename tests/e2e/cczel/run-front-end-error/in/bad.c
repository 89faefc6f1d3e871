int f(void)
{
  return missing;
}
