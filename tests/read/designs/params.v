module adder #(parameter W = 8) (input [W-1:0] a, b, output [W-1:0] s); assign s = a + b; endmodule
module params_m(input [11:0] a, b, output [11:0] s); adder #(.W(12)) u(.a(a), .b(b), .s(s)); endmodule
