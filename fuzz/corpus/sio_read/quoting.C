("a b" :"c d" (say"hi") :plain (A-z_0.9@!) :e ("tab	here") :f ("multi
line") :g (a#b))
(never read)
