# a task on another library
library = a.so
resources = a.rsc
