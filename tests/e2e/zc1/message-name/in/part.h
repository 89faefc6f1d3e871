
#error in include
