char	"open
