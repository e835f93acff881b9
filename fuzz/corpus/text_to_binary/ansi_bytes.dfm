object A: TA
  S = 'é‚ '#200
  T = 'Café'
end
