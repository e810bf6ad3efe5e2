Include "b.rsc"
#--
Include "a.rsc"
