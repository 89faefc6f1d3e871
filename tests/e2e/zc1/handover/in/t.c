V __FILE__
