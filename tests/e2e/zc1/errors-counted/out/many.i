done
